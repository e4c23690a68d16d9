#!/usr/bin/env python3
"""Draws the bitmaps of the splash variants (tests/e2e/variants/splash.cmake).

Usage: splash_bitmaps.py OUTPUT_DIR

Each picture varies from pixel to pixel, so that a misplaced row or column shows in a
screenshot; the palette pictures use every entry of their colour table.
"""
import pathlib
import struct
import sys


def bmp(width, height, depth, pixel, palette=(), top_down=False):
    """A BMP file; pixel(x, y) (y from the top) gives (r, g, b) for 24 bits, else an index."""
    stride = (depth * width + 31) // 32 * 4
    rows = []
    for y in range(height):
        row = bytearray(stride)
        for x in range(width):
            value = pixel(x, y)
            if depth == 24:
                r, g, b = value
                row[3 * x: 3 * x + 3] = bytes((b, g, r))
            else:
                bit = x * depth
                row[bit // 8] |= value << (8 - depth - bit % 8)
        rows.append(bytes(row))
    if not top_down:
        rows.reverse()
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 54 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + stride * height, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, depth, 0,
                       stride * height, 2835, 2835, 0, 0)
    return header + info + table + b"".join(rows)


def gradient(x, y):
    return ((x * 5) % 256, (y * 3) % 256, (x * y) % 256)


def palette(count):
    return [((i * 37) % 256, (i * 91 + 40) % 256, (255 - i * 13) % 256) for i in range(count)]


PICTURES = {
    "full_240x320.bmp": lambda: bmp(240, 320, 24, gradient),
    "mid_200x200.bmp": lambda: bmp(200, 200, 24, lambda x, y: (200, x % 256, y % 256)),
    "big_480x640.bmp": lambda: bmp(480, 640, 8, lambda x, y: (x + 3 * y) % 256, palette(256)),
    "palette1_139x136.bmp": lambda: bmp(139, 136, 1, lambda x, y: (x // 7 + y // 5) % 2,
                                        [(32, 128, 192), (240, 224, 16)]),
    "palette4_100x80.bmp": lambda: bmp(100, 80, 4, lambda x, y: (x // 3 + y) % 16, palette(16)),
    "palette8_120x90.bmp": lambda: bmp(120, 90, 8, lambda x, y: (x * 2 + y * 7) % 256,
                                       palette(256)),
    "topdown_139x136.bmp": lambda: bmp(139, 136, 24, gradient, top_down=True),
    "huge_65535x65535.bmp": lambda: huge(),
}


def huge():
    """The largest size the launcher accepts, with only its bottom row present."""
    row = bmp(65535, 1, 24, lambda x, y: (x % 256, 0, 255 - x % 256))
    return row[:22] + struct.pack("<i", 65535) + row[26:]


def main():
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name, draw in PICTURES.items():
        data = draw()
        path = out / name
        if not path.exists() or path.read_bytes() != data:
            path.write_bytes(data)


if __name__ == "__main__":
    main()
