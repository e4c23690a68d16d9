#!/usr/bin/env python3
"""kol_add_launcher from an application's own project: the few lines of author/CMakeLists.txt,
configured apart from the launcher's tree with its toolchain file, build a branded launcher
of this build's architecture, which kolbrand lists and which starts the runtime."""
import shutil
import subprocess

import brand_assets
import rig

PROJECT = rig.ROOT / "tests" / "e2e" / "author"


def toolchain():
    """This build's toolchain file, as its cache names it."""
    cache = (rig.BUILD / "CMakeCache.txt").read_text()
    return next(line.split("=", 1)[1] for line in cache.splitlines()
                if line.startswith("CMAKE_TOOLCHAIN_FILE:"))


class AuthorProjectTest(rig.WineTestCase):

    def test_a_project_of_a_few_lines_builds_a_branded_launcher(self):
        folder = self.tmp()
        assets = brand_assets.write(folder / "assets")
        build = folder / "build"
        for step in (["cmake", "-S", PROJECT, "-B", build, f"-DCMAKE_TOOLCHAIN_FILE={toolchain()}",
                      f"-DKOL_LAUNCHER={rig.ROOT}", f"-DASSETS={assets}"],
                     ["cmake", "--build", build, "-j2"]):
            completed = subprocess.run(list(map(str, step)), capture_output=True, text=True,
                                       timeout=600)
            self.assertEqual(0, completed.returncode, completed.stdout + completed.stderr)
        launcher = build / "Chess.exe"
        listed = rig.wine(rig.KOLBRAND, "--list", rig.win_path(launcher))
        self.assertEqual(0, listed.returncode, listed.stderr)
        self.assertEqual(
            f"architecture: {rig.ARCHITECTURE}\n"
            "signed: no\n"
            "mode: in-process\n"
            "CommandLine: \"chess.kol -fullscreen\"\n"
            "CONFIG:\n"
            "  SplashScreenTitle=Chess\n"
            "  SplashScreen=200x150;CHESS\n"
            "SplashScreen bitmaps:\n"
            "  CHESS: 200x150, 24 bits per pixel, accepted\n"
            "splash shown on a screen of:\n"
            "  240x320: CHESS\n"
            "  320x240: CHESS\n"
            "  480x640: CHESS\n"
            "  640x480: CHESS\n"
            "  800x480: CHESS\n"
            "icon group 50: 16x16 (32 bits), 24x24 (32 bits), 32x32 (32 bits)\n"
            "version: file 2.1.0.0, product 2.1.0.0\n"
            "  CompanyName: Chess Makers\n"
            "  FileDescription: Kol launcher\n"
            "  FileVersion: 2.1.0.0\n"
            "  LegalCopyright: Copyright (C) 2026 Morvane\n"
            "  OriginalFilename: Chess.exe\n"
            "  ProductName: Chess\n"
            "  ProductVersion: 2.1.0.0\n",
            listed.stdout.replace("\r\n", "\n").split("\n", 1)[1])
        shutil.copyfile(rig.BIN / "Kol.dll", build / "Kol.dll")
        call = rig.run(launcher, "doc.kol").call
        self.assertEqual(" chess.kol -fullscreen doc.kol", call["commandLine"])
        self.assertEqual("20,85,200,150", call["splash"])


if __name__ == "__main__":
    rig.main()
