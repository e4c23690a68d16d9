#!/usr/bin/env python3
"""The decisions of the scripts around the tests, without Wine: which loader starts a
program, how a suite's results read in make test's summary, how make deps gets through a
package index that can't be fetched, the bitmaps that make_assets writes, and the package
source that kol_add_installer writes and the mistakes it refuses."""
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest
import unittest.mock
import xml.etree.ElementTree as ElementTree

ROOT = pathlib.Path(__file__).resolve().parents[1]
sys.path[:0] = [str(ROOT / "tests"), str(ROOT / "tests" / "e2e"), str(ROOT / "bench"),
                str(ROOT / "tools")]
import contextlib  # noqa: E402
import io  # noqa: E402
import make_assets  # noqa: E402
import run_suites  # noqa: E402
import session  # noqa: E402
import startup  # noqa: E402


def temporary_folder(test):
    folder = tempfile.TemporaryDirectory()
    test.addCleanup(folder.cleanup)
    return pathlib.Path(folder.name)


def pe_image(machine):
    """The first bytes of a Windows program for the given PE machine."""
    image = bytearray(0x100)
    image[:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, 0x80)
    image[0x80:0x84] = b"PE\0\0"
    struct.pack_into("<H", image, 0x84, machine)
    return bytes(image)


class LoaderTest(unittest.TestCase):

    def test_each_program_gets_the_loader_of_its_own_architecture(self):
        folder = temporary_folder(self)
        files = {"x64.exe": pe_image(0x8664), "x86.exe": pe_image(0x14C),
                 "arm.exe": pe_image(0x1C4), "text.exe": b"MZ but not a program",
                 "ne.exe": pe_image(0x8664).replace(b"PE\0\0", b"NE\0\0")}
        for name, data in files.items():
            (folder / name).write_bytes(data)
        cases = (  # program, 32-bit programs run here, loader or error
            (folder / "x64.exe", False, session.WINE64),
            (folder / "x64.exe", True, session.WINE64),
            (folder / "x86.exe", True, session.WINE32),
            (folder / "x86.exe", False, RuntimeError),
            (folder / "arm.exe", True, ValueError),
            (folder / "text.exe", True, ValueError),
            (folder / "ne.exe", True, ValueError),
            (folder / "missing.exe", True, FileNotFoundError),
            ("regedit", True, session.WINE64),
        )
        saved = session.WINE32_RUNS
        self.addCleanup(setattr, session, "WINE32_RUNS", saved)
        for program, runs_32bit, expected in cases:
            with self.subTest(program=str(program), runs_32bit=runs_32bit):
                session.WINE32_RUNS = runs_32bit
                if isinstance(expected, type):
                    self.assertRaises(expected, session.loader_for, program)
                else:
                    command, env = session.wine_command(program, ["a b"], {"X": "1"})
                    self.assertEqual([str(expected), str(program), "a b"], command)
                    self.assertEqual({"X": "1", "WINELOADER": str(expected)}, env)

    def test_32bit_programs_run_where_the_kernel_and_32bit_wine_both_do(self):
        folder = temporary_folder(self)
        (folder / "runs").write_text("exit 0\n")
        (folder / "fails").write_text("exit 1\n")
        (folder / "wine").write_text("")
        cases = (("runs", "wine", None),
                 ("fails", "wine", "this machine runs no 32-bit programs"),
                 ("runs", "none", "32-bit Wine (wine32:i386) isn't installed: make deps installs it"))
        for probe, wine32, expected in cases:
            with self.subTest(probe=probe, wine32=wine32):
                self.assertEqual(expected, session.why_32bit_programs_cant_run(
                    folder / probe, folder / wine32))

    def test_debians_wine_front_fails_in_the_tests_environment(self):
        env = session.wine_env(0)
        for front in ("wine", "wineboot"):
            with self.subTest(front=front):
                completed = subprocess.run([front, "--version"], env=env, capture_output=True,
                                           text=True, timeout=60)
                self.assertEqual(127, completed.returncode)
                self.assertIn("Debian's wine front", completed.stderr)


def case(name, status, output=""):
    element = ElementTree.Element("testcase", name=name, status=status)
    ElementTree.SubElement(element, "system-out").text = output
    return element


class SummaryTest(unittest.TestCase):

    def test_a_skipped_suite_never_reads_as_passed(self):
        skipped = case("e2e_a", "notrun", "skipped: this machine runs no 32-bit programs\n")
        cases = (
            ([case("a", "run"), case("b", "run")], "passed (2 tests)"),
            ([skipped, case("e2e_b", "notrun", "skipped: this machine runs no 32-bit programs")],
             "skipped, this machine runs no 32-bit programs"),
            ([case("a", "run"), skipped], "passed 1, skipped 1: this machine runs no 32-bit programs"),
            ([case("a", "disabled")], "skipped, no reason given"),
            ([case("a", "run"), case("b", "fail"), skipped], "failed: b (1 of 3)"),
            ([], "failed, no tests ran"),
        )
        for cases_, expected in cases:
            with self.subTest(expected=expected):
                self.assertEqual(expected, run_suites.verdict(cases_))

    def test_make_test_fails_when_any_suite_fails(self):
        folder = temporary_folder(self)
        passed = '<testsuite><testcase name="a" status="run"/></testsuite>'
        skipped = ('<testsuite><testcase name="a" status="notrun"><system-out>skipped: why'
                   '</system-out></testcase></testsuite>')
        cases = (  # what CTest writes, its exit code, the summary line, make test's status
            (passed, 0, "passed (1 tests)", 0),
            (skipped, 0, "skipped, why", 0),
            (passed, 8, "failed, CTest ended with 8 (passed (1 tests))", 1),
            (None, 1, "failed, CTest ended with 1 and no results", 1),
        )
        saved = run_suites.RESULTS
        self.addCleanup(setattr, run_suites, "RESULTS", saved)
        run_suites.RESULTS = folder / "results"
        for junit, code, line, status in cases:
            with self.subTest(line=line):
                # The fuzz suite passes each time; the host suite ends as the row says.
                (folder / "ctest").write_text(
                    f"#!/bin/sh\npreset=$2\nwhile [ $# -gt 1 ]; do shift; done\n"
                    f"[ $preset = fuzz ] && echo '{passed}' > \"$1\" && exit 0\n"
                    + (f"echo '{junit}' > \"$1\"\n" if junit else "") + f"exit {code}\n")
                (folder / "ctest").chmod(0o755)
                output = io.StringIO()
                with unittest.mock.patch.dict(os.environ, PATH=f"{folder}:{os.environ['PATH']}"), \
                        contextlib.redirect_stdout(output):
                    self.assertEqual(status, run_suites.main(["host", "fuzz"]))
                self.assertIn(f"  host unit tests: {line}\n", output.getvalue())


    def test_the_x86_end_to_end_suite_starts_only_where_32bit_programs_run(self):
        folder = temporary_folder(self)
        # CTest, when started, reports one test run.
        (folder / "ctest").write_text("#!/bin/sh\nwhile [ $# -gt 1 ]; do shift; done\n"
                                      "echo '<testsuite><testcase name=\"a\" status=\"run\"/>"
                                      "</testsuite>' > \"$1\"\n")
        (folder / "ctest").chmod(0o755)
        for reason, line in ((None, "passed (1 tests)"), ("why", "skipped, why")):
            with self.subTest(reason=reason):
                output = io.StringIO()
                with unittest.mock.patch.dict(os.environ, PATH=f"{folder}:{os.environ['PATH']}"), \
                        unittest.mock.patch.object(run_suites.session, "why_32bit_programs_cant_run",
                                                   lambda: reason), \
                        unittest.mock.patch.object(run_suites, "RESULTS", folder / "results"), \
                        contextlib.redirect_stdout(output):
                    self.assertEqual(0, run_suites.main(["win32-e2e", "win64-e2e"]))
                self.assertIn(f"  x86 end-to-end:    {line}\n", output.getvalue())
                self.assertIn("  x86-64 end-to-end: passed (1 tests)\n", output.getvalue())


class BenchTest(unittest.TestCase):
    """A comparison that can't run says why and lets the bench go on."""

    def compare(self, present, missing, measure):
        folder = temporary_folder(self)
        for program in present:
            (folder / program).write_bytes(b"")
        saved = startup.measure
        self.addCleanup(setattr, startup, "measure", saved)
        startup.measure = measure
        output = io.StringIO()
        with contextlib.redirect_stdout(output):
            startup.compare(folder, missing, "release", 2)
        return output.getvalue()

    def test_a_comparison_that_cant_run(self):
        both = ("launcher_nosplash.exe", "release_nosplash.exe")

        def release_fails(folder, program, start):
            if program == "release_nosplash.exe":
                raise startup.StartFailed("release_nosplash.exe made 0 KolMainW calls")
            return 1000, 1000

        def runwait_fails(folder, program, start):
            raise RuntimeError("runwait failed")

        cases = (  # programs present, reasons for missing ones, measure, output
            (both, {}, lambda folder, program, start: (2000, 900) if program == both[0]
             else (1000, 600), "from the tap: launcher 2.00 ms, release 002248f 1.00 ms; "
             "median ratio 2.000"),
            (both, {}, lambda folder, program, start: (2000, 900) if program == both[0]
             else (1000, 600), "from the process's creation: launcher 0.90 ms, release 002248f "
             "0.60 ms; median ratio 1.500"),
            (both[:1], {both[1]: "release 002248f did not build for win32"}, None,
             "release: skipped, release 002248f did not build for win32\n"),
            (both[:1], {}, None, "release: skipped, release_nosplash.exe not built\n"),
            (both, {}, release_fails, "release: skipped, release_nosplash.exe made 0 KolMainW calls\n"),
            (both, {}, runwait_fails, "release: skipped, runwait failed\n"),
        )
        for present, missing, measure, expected in cases:
            with self.subTest(expected=expected):
                output = self.compare(present, missing, measure)
                self.assertIn(expected, output)
                self.assertEqual("skipped" in expected, "median ratio" not in output)

    def test_a_start_that_never_reaches_the_runtime_fails_the_measure(self):
        class Ran:
            def __init__(self, calls):
                self.calls, self.fields, self.boxes = calls, {"exitHex": "0xC000001D"}, []
                self.call = calls[0] if len(calls) == 1 else None

        timed = [{"elapsedMicroseconds": "1234", "sinceCreationMicroseconds": "999"}]
        cases = (  # start, the runtime's calls, result or failure, the programs run and lines
            (startup.DOCUMENT, timed, (1234, 999), [("predecessor.exe", ""), ("l.exe", "x")]),
            (startup.TAP, timed, (1234, 999),
             [("l.exe", "+"), ("predecessor.exe", ""), ("l.exe", "")]),
            (startup.TAP_REGISTERING, timed, (1234, 999), [("predecessor.exe", ""), ("l.exe", "")]),
            (startup.DOCUMENT, [], "0 KolMainW calls, not 1 (exit 0xC000001D", None),
            (startup.DOCUMENT, [{}, {}], "2 KolMainW calls", None))
        saved = startup.rig.run
        self.addCleanup(setattr, startup.rig, "run", saved)
        for start, calls, expected, runs in cases:
            with self.subTest(start=start, calls=calls):
                made = []

                def run(program, line, **options):
                    made.append((program.name, line))
                    return Ran(calls if program.name == "l.exe" and line != "+" else [])

                startup.rig.run = run
                if isinstance(expected, tuple):
                    self.assertEqual(expected, startup.measure(pathlib.Path("f"), "l.exe", start))
                    self.assertEqual(runs, made)
                else:
                    with self.assertRaisesRegex(startup.StartFailed, expected.replace("(", r"\(")):
                        startup.measure(pathlib.Path("f"), "l.exe", start)


class InstallPackagesTest(unittest.TestCase):
    """tools/install_packages.sh against stand-ins for dpkg and apt-get."""

    UNFETCHED = "http://mirror/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"

    def run_script(self, updates_failing, install_fails):
        folder = temporary_folder(self)
        calls = folder / "calls"
        (folder / "dpkg").write_text("#!/bin/sh\nexit 1\n")  # nothing is installed
        (folder / "apt-get").write_text(f"""#!/bin/sh
echo "$*" >> {calls}
if [ "$1" = update ]; then
    failures=$(grep -c '^update' {calls})
    [ "$failures" -gt {updates_failing} ] && exit 0
    echo "E: Failed to fetch {self.UNFETCHED}  File has unexpected size"
    exit 100
fi
exit {1 if install_fails else 0}
""")
        for tool in ("dpkg", "apt-get"):
            (folder / tool).chmod(0o755)
        env = dict(os.environ, PATH=f"{folder}:{os.environ['PATH']}", APT_UPDATE_ATTEMPTS="3",
                   APT_UPDATE_PAUSE="0")
        completed = subprocess.run(["sh", str(ROOT / "tools" / "install_packages.sh"), "p1", "p2"],
                                   env=env, capture_output=True, text=True, timeout=60)
        return completed, calls.read_text().splitlines()

    def test_an_index_that_cant_be_fetched(self):
        install = "install -y --no-install-recommends p1 p2"
        cases = (  # updates failing, install fails, exit code, apt-get calls, index named
            (0, False, 0, ["update", install], False),
            (2, False, 0, ["update"] * 3 + [install], False),
            (3, False, 0, ["update"] * 3 + [install], False),
            (3, True, 1, ["update"] * 3 + [install], True),
            (1, True, 1, ["update"] * 2 + [install], False),
        )
        for failing, install_fails, code, calls, named in cases:
            with self.subTest(failing=failing, install_fails=install_fails):
                completed, made = self.run_script(failing, install_fails)
                self.assertEqual(code, completed.returncode, completed.stderr)
                self.assertEqual(calls, made)
                self.assertEqual(named, f"  {self.UNFETCHED}" in completed.stderr.splitlines())


class AssetsTest(unittest.TestCase):
    """tools/make_assets.py's bitmaps carry their own sizes in their headers."""

    def test_a_bitmaps_header_gives_its_file_size(self):
        folder = temporary_folder(self)
        for width, height, stride in ((1, 1, 4), (3, 2, 12), (139, 136, 420), (240, 320, 720)):
            with self.subTest(width=width, height=height):
                path = folder / f"{width}x{height}.bmp"
                make_assets.write_bmp(str(path), width, height, [(1, 2, 3)] * (width * height))
                data = path.read_bytes()
                self.assertEqual(54 + stride * height, len(data))
                self.assertEqual((b"BM", len(data), 54), struct.unpack_from("<2sI4xI", data))
                self.assertEqual(len(data) - 54, struct.unpack_from("<I", data, 34)[0])


INSTALLER_PROJECT = """cmake_minimum_required(VERSION 3.25)
project(Chess VERSION {version} LANGUAGES C CXX)
add_subdirectory({root} kol-launcher)
kol_add_launcher(Chess {line} PRODUCT "Chess & \\"Co\\"" COMPANY "Chess <Makers>")
add_custom_target(Other)
kol_add_installer(ChessSetup {installer})
"""
UPGRADE = "3c6a1f52-8d47-4e0b-9a61-52d0f3b7c8e4"
WIX = "{http://schemas.microsoft.com/wix/2006/wi}"


class InstallerTest(unittest.TestCase):
    """kol_add_installer's package source, and the mistakes it refuses, as CMake
    configures an author's project (the packages themselves run under Wine, in
    test_author_project.py)."""

    def configure(self, toolchain="mingw-w64-x86_64.cmake", version="2.1.0.0",
                  line='COMMAND_LINE "chess.kol -fullscreen"',
                  installer=f"LAUNCHER Chess RUNTIME rt/runtime.dll FILES chess.kol UPGRADE_CODE {{{UPGRADE}}}"):
        folder = temporary_folder(self)
        (folder / "CMakeLists.txt").write_text(INSTALLER_PROJECT.format(
            version=version, root=ROOT, line=line, installer=installer))
        command = ["cmake", "-S", str(folder), "-B", str(folder / "build")]
        if toolchain:
            command.append(f"-DCMAKE_TOOLCHAIN_FILE={ROOT / 'cmake' / toolchain}")
        completed = subprocess.run(command, capture_output=True, text=True, timeout=300)
        return completed, folder

    def test_mistakes_are_refused_when_configuring(self):
        code = f"UPGRADE_CODE {UPGRADE}"
        cases = (  # configure arguments, what the error says
            (dict(toolchain=None), "built with mingw-w64 only (MSVC isn't supported)"),
            (dict(installer="LAUNCHER Chess RUNTIME Kol.dll UPGRADE_CODE 3c6a1f52-8d47"),
             "UPGRADE_CODE '3c6a1f52-8d47' is not a GUID"),
            (dict(installer=f"LAUNCHER Chess {code}"), "RUNTIME is required"),
            (dict(installer=f"LAUNCHER Other RUNTIME Kol.dll {code}"),
             "LAUNCHER Other is not a target of kol_add_launcher"),
            (dict(installer=f"LAUNCHER Chess RUNTIME Kol.dll FILES a/chess.kol b/CHESS.KOL {code}"),
             "FILES name CHESS.KOL twice"),
            (dict(installer=f"LAUNCHER Chess RUNTIME Kol.dll FILES kol.dll {code}"),
             "FILES name kol.dll twice"),
            (dict(line='LAUNCH_LINE "chess.kol"'), "Chess carries a launch line"),
            (dict(version="256.1.0.0"), "first two numbers are at most 255"),
            (dict(version="2.256.0.0"), "first two numbers are at most 255"),
        )
        for arguments, error in cases:
            with self.subTest(**arguments):
                completed, _ = self.configure(**arguments)
                self.assertNotEqual(0, completed.returncode)
                self.assertIn(error, " ".join(completed.stderr.split()))

    def package(self, **arguments):
        completed, folder = self.configure(**arguments)
        self.assertEqual(0, completed.returncode, completed.stderr)
        return ElementTree.parse(folder / "build" / "ChessSetup.installer" / "ChessSetup.wxs"), folder

    def test_the_package_for_each_processor(self):
        for toolchain, program_files, win64 in (("mingw-w64-x86_64.cmake", "ProgramFiles64Folder", "yes"),
                                                ("mingw-w64-i686.cmake", "ProgramFilesFolder", None)):
            with self.subTest(toolchain=toolchain):
                wxs, folder = self.package(toolchain=toolchain)
                product = wxs.find(f"{WIX}Product")
                self.assertEqual(("Chess & \"Co\"", "Chess <Makers>", "2.1.0.0", f"{{{UPGRADE.upper()}}}"),
                                 tuple(product.get(key) for key in ("Name", "Manufacturer", "Version",
                                                                    "UpgradeCode")))
                self.assertEqual("1", wxs.find(f".//{WIX}Property[@Id='ALLUSERS']").get("Value"))
                self.assertIsNotNone(wxs.find(f".//{WIX}MajorUpgrade"))
                install = wxs.find(f".//{WIX}Directory[@Id='{program_files}']/{WIX}Directory")
                self.assertEqual(("INSTALLDIR", "Chess & \"Co\""), (install.get("Id"), install.get("Name")))
                components = install.findall(f"{WIX}Component")
                self.assertEqual([win64] * 9, [c.get("Win64") for c in components])
                files = [c.find(f"{WIX}File") for c in components if c.find(f"{WIX}File") is not None]
                self.assertEqual(["Chess.exe", "Kol.exe", "Kol.dll", "chess.kol"],
                                 [f.get("Name") for f in files])
                self.assertEqual([folder / "build" / "Chess.exe", folder / "build" / "kol-machine" / "Kol.exe",
                                  folder / "rt" / "runtime.dll", folder / "chess.kol"],
                                 [pathlib.Path("/") / f.get("Source") for f in files])
                shortcut = files[0].find(f"{WIX}Shortcut")
                self.assertEqual(("ProgramMenuFolder", "Chess & \"Co\"", "INSTALLDIR"),
                                 tuple(shortcut.get(key) for key in ("Directory", "Name",
                                                                     "WorkingDirectory")))
                values = [c.find(f"{WIX}RegistryValue") for c in components
                          if c.find(f"{WIX}RegistryValue") is not None]
                self.assertEqual(
                    [("Software\\Classes\\KolFile10", "Kol Application"),
                     ("Software\\Classes\\KolFile10\\Shell\\Open\\Command", '"[INSTALLDIR]Kol.exe" "%1"'),
                     ("Software\\Classes\\KolFile10\\DefaultIcon", "[INSTALLDIR]Kol.exe,-50"),
                     ("Software\\Classes\\KolFile10\\DLL", "[INSTALLDIR]Kol.DLL"),
                     ("Software\\Classes\\.kol", "KolFile10")],
                    [(v.get("Key"), v.get("Value")) for v in values])
                self.assertEqual([("HKLM", "string", None)] * 5,
                                 [(v.get("Root"), v.get("Type"), v.get("Name")) for v in values])
                guids = [c.get("Guid") for c in components] + [product.get("Id")]
                self.assertEqual(len(guids), len(set(guids)))

    def test_a_launch_line_installs_beside_the_machines_own_executable(self):
        wxs, _ = self.package(line='LAUNCH_LINE "chess.kol"', installer=(
            f"LAUNCHER Chess RUNTIME Kol.dll FILES chess.kol kolw.exe UPGRADE_CODE {UPGRADE}"))
        self.assertEqual(["Chess.exe", "Kol.exe", "Kol.dll", "chess.kol", "kolw.exe"],
                         [f.get("Name") for f in wxs.iter(f"{WIX}File")])

    def test_each_version_has_a_product_code_of_its_own_and_keeps_it(self):
        codes = [self.package(version=version)[0].find(f"{WIX}Product").get("Id")
                 for version in ("2.1.0.0", "2.1.0.0", "2.2.0.0")]
        self.assertEqual(codes[0], codes[1])
        self.assertNotEqual(codes[0], codes[2])


if __name__ == "__main__":
    unittest.main(verbosity=2)
