#!/usr/bin/env python3
"""Draws the launcher's shipped assets: the splash bitmap and the document icon.

Usage: make_assets.py OUTPUT_DIR   (writes splash.bmp and kol.ico)

The splash is a 139x136, 24-bit, uncompressed, bottom-up BMP with its pixel data at
offset 54; its file-size field holds 1024, which nothing reads.
"""
import struct
import sys

# 5x7 glyphs, one string of five characters per row ('#' is ink).
GLYPHS = {
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "l": [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "i": ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "t": [".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##."],
    "u": [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "c": [".....", ".....", ".###.", "#....", "#....", "#...#", ".###."],
    "h": ["#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "n": [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
}


def text_width(text, scale):
    return (len(text) * 6 - 1) * scale


def draw_text(pixels, width, text, left, top, scale, colour):
    for index, char in enumerate(text):
        glyph = GLYPHS.get(char)
        if glyph is None:
            continue
        for row, bits in enumerate(glyph):
            for col, bit in enumerate(bits):
                if bit != "#":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        x = left + (index * 6 + col) * scale + dx
                        y = top + row * scale + dy
                        pixels[y * width + x] = colour


def splash_pixels(width, height):
    """Top-down list of (r, g, b): a deep blue field, a light frame, the name in white."""
    pixels = []
    for y in range(height):
        shade = 40 + (y * 60) // height
        for x in range(width):
            pixels.append((16, 32 + shade // 2, 60 + shade))
    for x in range(width):
        for y in (3, height - 4):
            pixels[y * width + x] = (150, 190, 240)
    for y in range(3, height - 3):
        for x in (3, width - 4):
            pixels[y * width + x] = (150, 190, 240)
    white = (255, 255, 255)
    draw_text(pixels, width, "Kol", (width - text_width("Kol", 5)) // 2, 18, 5, white)
    for line, top in (("Virtual", 70), ("Machine", 96)):
        draw_text(pixels, width, line, (width - text_width(line, 2)) // 2, top, 2,
                  (200, 225, 255))
    return pixels


def write_bmp(path, width, height, pixels):
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixels[y * width + x]
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def icon_image(size, fill=(30, 70, 160, 255)):
    """32-bit BGRA image with its AND mask, as an .ico entry stores it (bottom-up): a
    rounded square of the fill colour (r, g, b, a) with a white K."""
    radius = size // 5
    pixels = []
    for y in range(size):
        for x in range(size):
            dx = max(radius - x, x - (size - 1 - radius), 0)
            dy = max(radius - y, y - (size - 1 - radius), 0)
            inside = dx * dx + dy * dy <= radius * radius
            pixels.append(fill if inside else (0, 0, 0, 0))
    scale = max(1, size // 10)
    glyph = GLYPHS["K"]
    left = (size - 5 * scale) // 2
    top = (size - 7 * scale) // 2
    for row, bits in enumerate(glyph):
        for col, bit in enumerate(bits):
            if bit == "#":
                for dy in range(scale):
                    for dx in range(scale):
                        pixels[(top + row * scale + dy) * size + left + col * scale + dx] = \
                            (255, 255, 255, 255)
    xor = bytearray()
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for y in reversed(range(size)):
        bits = 0
        row = bytearray()
        for x in range(size):
            r, g, b, a = pixels[y * size + x]
            xor += bytes((b, g, r, a))
            bits = (bits << 1) | (0 if a else 1)
            if x % 8 == 7:
                row.append(bits)
                bits = 0
        row += b"\0" * (mask_stride - len(row))
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def write_ico(path, sizes, fill=(30, 70, 160, 255)):
    images = [icon_image(size, fill) for size in sizes]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, image in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image),
                                 offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(directory + b"".join(images))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources"
    write_bmp(out + "/splash.bmp", 139, 136, splash_pixels(139, 136))
    write_ico(out + "/kol.ico", (16, 32, 48))


if __name__ == "__main__":
    main()
