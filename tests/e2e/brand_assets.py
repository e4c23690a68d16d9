#!/usr/bin/env python3
"""An application's branding for the tests of kolbrand and of kol_add_launcher: a second
splash bitmap of another size than the shipped one, an icon of another colour and other
sizes, and version fields with quotes, a backslash and characters outside ASCII.

Usage: brand_assets.py OUTPUT_DIR   (writes wide.bmp, app.ico, config.txt, commandline.txt,
                                     and version.cmake, which sets BRAND_<FIELD> for CMake)
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
import make_assets  # noqa: E402

WIDE_SIZE = (200, 150)
ICON_SIZES = (16, 24, 32)
ICON_FILL = (230, 120, 20, 255)
TITLE = "Brand Test"
COMMAND_LINE = "app.kol start"
CONFIG = (f"SplashScreenTitle={TITLE}|SplashScreen=139x136;SPLASHSCREEN1|"
          f"SplashScreen={WIDE_SIZE[0]}x{WIDE_SIZE[1]};WIDE")
# kol_add_launcher's arguments and kolbrand's options (lower case) for the version fields.
VERSION_FIELDS = {
    "VERSION": "2.5.0.17",
    "DESCRIPTION": 'The "Brand Test" launcher',
    "PRODUCT": "Brand Test",
    "COMPANY": "Brand \\ Co",
    "COPYRIGHT": "\u00a9 2026 Brand Co \u20ac",
}


def cmake_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def wide_pixels(width, height):
    """Top-down (r, g, b): colour ramps across and down, so a misplaced row shows."""
    return [(x * 255 // (width - 1), y * 255 // (height - 1), 96)
            for y in range(height) for x in range(width)]


def write(folder):
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    make_assets.write_bmp(str(folder / "wide.bmp"), *WIDE_SIZE, wide_pixels(*WIDE_SIZE))
    make_assets.write_ico(str(folder / "app.ico"), ICON_SIZES, ICON_FILL)
    (folder / "config.txt").write_bytes(CONFIG.encode("ascii"))
    (folder / "commandline.txt").write_bytes(COMMAND_LINE.encode("ascii"))
    (folder / "version.cmake").write_text(
        "".join(f"set(BRAND_{field} {cmake_string(value)})\n"
                for field, value in VERSION_FIELDS.items()), encoding="utf-8")
    return folder


if __name__ == "__main__":
    write(sys.argv[1])
