#!/usr/bin/env python3
"""kol_add_launcher and kol_add_installer from an application's own project: the few
lines of author/CMakeLists.txt, configured apart from the launcher's tree with its
toolchain file, build a branded launcher of this build's architecture, which kolbrand
lists and which starts the runtime, and an installer that Wine's msiexec installs,
upgrades and uninstalls."""
import shutil
import subprocess
import time

import brand_assets
import rig
import session

PROJECT = rig.ROOT / "tests" / "e2e" / "author"
UPGRADE_CODE = "3C6A1F52-8D47-4E0B-9A61-52D0F3B7C8E4"
# Per machine, under the Program Files of the package's processor: an x86 package goes to
# Program Files (x86) on 64-bit Windows, which the test prefix is.
INSTALLED = "C:\\Program Files (x86)\\Chess" if rig.BUILD.name == "win32" else "C:\\Program Files\\Chess"
REG_SZ = 1
UNINSTALL = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"


def toolchain():
    """This build's toolchain file, as its cache names it."""
    cache = (rig.BUILD / "CMakeCache.txt").read_text()
    return next(line.split("=", 1)[1] for line in cache.splitlines()
                if line.startswith("CMAKE_TOOLCHAIN_FILE:"))


def host_path(windows_path):
    """Where a path on the prefix's drive C: lies on the host."""
    assert windows_path.startswith("C:\\"), windows_path
    return session.PREFIX / "drive_c" / windows_path[3:].replace("\\", "/")


def registration(folder):
    """The five values that a bare start of the plain launcher Kol.exe in folder writes."""
    return [("KolFile10", "Kol Application"),
            ("KolFile10\\Shell\\Open\\Command", f'"{folder}\\Kol.exe" "%1"'),
            ("KolFile10\\DefaultIcon", f"{folder}\\Kol.exe,-50"),
            ("KolFile10\\DLL", f"{folder}\\Kol.DLL"),
            (".kol", "KolFile10")]


def product_code(build):
    """The product code that kol_add_installer wrote into the package's source."""
    wxs = (build / "ChessSetup.installer" / "ChessSetup.wxs").read_text()
    return wxs.split('<Product Id="', 1)[1].split('"', 1)[0]


def cmake(*step):
    completed = subprocess.run(list(map(str, step)), capture_output=True, text=True, timeout=600)
    assert completed.returncode == 0, completed.stdout + completed.stderr
    return completed


class AuthorProjectTest(rig.WineTestCase):

    @classmethod
    def setUpClass(cls):
        # Built once as 2.1.0.0; its package is kept, and the same project is then built
        # as 2.2.0.0 (a file that CMake includes after project() gives the later version).
        cls.folder = rig.tmp_dir("author_project")
        assets = brand_assets.write(cls.folder / "assets")
        cls.build = cls.folder / "build"
        configure = ["cmake", "-S", PROJECT, "-B", cls.build, f"-DCMAKE_TOOLCHAIN_FILE={toolchain()}",
                     f"-DKOL_LAUNCHER={rig.ROOT}", f"-DASSETS={assets}",
                     f"-DRUNTIME={rig.BIN / 'Kol.dll'}"]
        cmake(*configure)
        cmake("cmake", "--build", cls.build, "-j2")
        cls.first = {"msi": cls.folder / "ChessSetup-2.1.msi", "code": product_code(cls.build),
                     "launcher": (cls.build / "Chess.exe").read_bytes()}
        shutil.copyfile(cls.build / "ChessSetup.msi", cls.first["msi"])
        later = cls.folder / "later.cmake"
        later.write_text("set(PROJECT_VERSION 2.2.0.0)\n")
        cmake(*configure, f"-DCMAKE_PROJECT_Chess_INCLUDE={later}")
        cmake("cmake", "--build", cls.build, "-j2")
        cls.second = {"msi": cls.build / "ChessSetup.msi", "code": product_code(cls.build),
                      "launcher": (cls.build / "Chess.exe").read_bytes()}

    def test_a_project_of_a_few_lines_builds_a_branded_launcher(self):
        launcher = self.tmp() / "Chess.exe"
        launcher.write_bytes(self.first["launcher"])
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
        shutil.copyfile(rig.BIN / "Kol.dll", launcher.parent / "Kol.dll")
        call = rig.run(launcher, "doc.kol").call
        self.assertEqual(" chess.kol -fullscreen doc.kol", call["commandLine"])
        self.assertEqual("20,85,200,150", call["splash"])

    def msiexec(self, *args):
        completed = rig.wine("msiexec", *args, "/qn", timeout=300)
        self.assertEqual(0, completed.returncode, completed.stdout + completed.stderr)

    def shortcuts(self):
        """Every Chess.lnk on drive C:, as Windows paths."""
        drive = session.PREFIX / "drive_c"
        return ["C:\\" + str(path.relative_to(drive)).replace("/", "\\")
                for path in drive.rglob("Chess.lnk")]

    def machine_values(self):
        return [rig.reg_get("HKLM\\Software\\Classes\\" + key, "@")
                for key, _ in registration(INSTALLED)]

    def user_values(self):
        return [rig.reg_get("HKCU\\Software\\Classes\\" + key, "@")
                for key, _ in registration(INSTALLED)]

    def opened(self, document, log):
        """The runtime's call, logged to log, when the shell opens document (a Windows
        path)."""
        opened = rig.wine(rig.HELPERS / "shellopen.exe", document,
                          extra_env={"KOL_LOG": rig.win_path(log), "KOL_SHOW_MS": "0"})
        if "started=1 process=0" in opened.stdout:
            # Through a link the shell hands back no process to wait on: wait for the log.
            deadline = time.time() + 20
            while not rig.read_runtime_log(log) and time.time() < deadline:
                time.sleep(0.1)
            time.sleep(0.5)
        else:
            self.assertIn("exit=0", opened.stdout, opened.stdout + opened.stderr)
        calls = rig.read_runtime_log(log)
        self.assertEqual(1, len(calls), calls)
        return calls[0]

    def test_the_installer_installs_registers_upgrades_and_uninstalls(self):
        self.addCleanup(lambda: rig.wine("msiexec", "/x", rig.win_path(self.second["msi"]), "/qn",
                                         timeout=300))
        self.addCleanup(lambda: rig.wine("msiexec", "/x", rig.win_path(self.first["msi"]), "/qn",
                                         timeout=300))
        work = self.tmp()
        self.msiexec("/i", rig.win_path(self.first["msi"]))
        folder = host_path(INSTALLED)
        installed = {"Chess.exe": self.first["launcher"],
                     "Kol.exe": (self.build / "kol-machine" / "Kol.exe").read_bytes(),
                     "Kol.dll": (rig.BIN / "Kol.dll").read_bytes(),
                     "chess.kol": (PROJECT / "chess.kol").read_bytes()}
        self.assertEqual(sorted(installed), sorted(path.name for path in folder.iterdir()))
        for name, data in installed.items():
            self.assertEqual(data, (folder / name).read_bytes(), name)

        # For every user, byte for byte what the plain launcher would write there.
        for (key, text), value in zip(registration(INSTALLED), self.machine_values()):
            self.assertIsNotNone(value, key)
            self.assertEqual((REG_SZ, text, (len(text) + 1) * 2),
                             (value["type"], value["text"], value["size"]), key)
        self.assertEqual([None] * 5, self.user_values())
        self.assertEqual("Chess", rig.reg_get(UNINSTALL + self.first["code"], "DisplayName")["text"])

        # The Start-menu shortcut starts the application's launcher in the install folder,
        # where the line's chess.kol lies.
        shortcuts = self.shortcuts()
        self.assertEqual(1, len(shortcuts), shortcuts)
        call = self.opened(shortcuts[0], work / "shortcut.log")
        self.assertEqual(("chess.kol -fullscreen", f"{INSTALLED}\\Chess.exe", INSTALLED),
                         (call["commandLine"], call["launcherPath"], call["currentDirectory"]))

        # A document opened through the association reaches the plain launcher.
        document = work / "Game.kol"
        document.write_bytes(b"")
        call = self.opened(rig.win_path(document), work / "document.log")
        self.assertEqual((f'"{rig.win_path(document)}"', f"{INSTALLED}\\Kol.exe"),
                         (call["commandLine"], call["launcherPath"]))

        # A bare start finds its five values in place: it writes none and tells no shell.
        before = self.machine_values()
        result = rig.run(f"{INSTALLED}\\Kol.exe", "", extra_env={"WINEDEBUG": "trace+shell"})
        self.assertEqual(("", f"{INSTALLED}\\Kol.exe"),
                         (result.call["commandLine"], result.call["launcherPath"]))
        self.assertNotIn("SHChangeNotify", result.trace)
        self.assertEqual(before, self.machine_values())
        self.assertEqual([None] * 5, self.user_values())

        # The later version replaces the earlier: its files, one product listed.
        self.assertNotEqual(self.first["code"], self.second["code"])
        self.msiexec("/i", rig.win_path(self.second["msi"]))
        self.assertEqual(self.second["launcher"], (folder / "Chess.exe").read_bytes())
        self.assertIsNone(rig.reg_get(UNINSTALL + self.first["code"], "DisplayName"))
        self.assertEqual("2.2.0.0",
                         rig.reg_get(UNINSTALL + self.second["code"], "DisplayVersion")["text"])
        self.assertEqual(before, self.machine_values())
        self.assertEqual(1, len(self.shortcuts()))

        # Uninstalled: no file, shortcut, machine-wide value or listing is left.
        self.msiexec("/x", rig.win_path(self.second["msi"]))
        self.assertFalse(folder.exists())
        self.assertEqual([], self.shortcuts())
        self.assertEqual([None] * 5, self.machine_values())
        self.assertIsNone(rig.reg_get(UNINSTALL + self.second["code"], "DisplayName"))


if __name__ == "__main__":
    rig.main()
