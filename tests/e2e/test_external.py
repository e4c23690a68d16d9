#!/usr/bin/env python3
"""Launchers with a "LaunchLine" under Wine: which machine executable runs, the exact line it
receives, its exit code, and the two failures. The machine is played by kolw.exe (a GUI
program) and kol.exe (a console program) of our own, which log what they received."""
import shutil

import rig

MACHINE = rig.HELPERS / "machine"
LIBRARY_KEY = "HKCR\\KolFile10\\DLL"
JAVA_KEY = "HKLM\\SOFTWARE\\JavaSoft"
ERROR_CAPTION = "Kol Launcher Error"
CANNOT_FIND = (ERROR_CAPTION, "Cannot find Kol VM Executable")
CANNOT_RUN = (ERROR_CAPTION, "Cannot run Kol VM Executable")

# The worked examples: launch line and the child's line, "{dir}" the launcher's folder with
# its trailing backslash, blanks shown as ␣. Documents beside the launcher: app.kol,
# My Doc.kol, two.kol and sub\one.kol.
COMPOSITION_EXAMPLES = [
    ("app.kol␣-debug", '"{dir}app.kol"␣-debug'),
    ("␣␣-x␣␣␣\"My␣Doc.kol\"␣␣␣'a␣b'␣␣",
     "-x␣\"{dir}My␣Doc.kol\"␣'a␣b'"),
    ("'My␣Doc.kol'", '"{dir}My␣Doc.kol"'),
    ("missing.kol␣APP.KOL␣.kol", "missing.kol␣APP.KOL␣.kol"),
    ('"a␣b"c␣-opt="x␣y"', '"a␣b"␣c␣-opt="x␣y"'),
    ("two.kol␣app.kol", '"{dir}two.kol"␣"{dir}app.kol"'),
    ("sub\\one.kol␣two.kol", '"{dir}sub\\one.kol"␣two.kol'),
    ("", ""),
    ("␣␣\t␣\t", ""),
]


def blanks(text):
    return text.replace("␣", " ")


class ExternalTest(rig.WineTestCase):

    def setUp(self):
        super().setUp()
        self.folder = self.tmp()
        self.dir = rig.win_path(self.folder) + "\\"

    def launcher(self, variant="external_empty"):
        return rig.install(self.folder, launcher=rig.variant(variant), name="Demo.exe",
                           runtime=False)

    def host_path(self, name, folder=None):
        """folder/name, with name's backslashes taken as Windows' separators."""
        return (folder or self.folder).joinpath(*name.split("\\"))

    def machine(self, name, kind="kolw", folder=None):
        """Puts the GUI (kolw) or console (kol) stand-in at folder/name."""
        target = self.host_path(name, folder)
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(MACHINE / f"{kind}.exe", target)
        return target

    def documents(self, *names):
        for name in names:
            path = self.host_path(name)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(b"")

    def run_ok(self, launcher, args="", **options):
        result = rig.run(launcher, args, **options)
        self.assertEqual([], result.boxes, result)
        self.assertFalse(result.timed_out, result)
        return result

    def assertRan(self, result, program, entry):
        self.assertEqual(rig.win_path(program).lower(), result.call["program"].lower())
        self.assertEqual(entry, result.call["entry"])

    def test_composition_examples(self):
        launcher = self.launcher()
        kolw = self.machine("kolw.exe")
        self.documents("app.kol", "My Doc.kol", "two.kol", "sub\\one.kol")
        for launch_line, child_line in COMPOSITION_EXAMPLES:
            with self.subTest(launch_line=launch_line):
                expected = blanks(child_line).replace("{dir}", self.dir)
                call = self.run_ok(launcher, blanks(launch_line)).call
                self.assertEqual(rig.units(expected), call["commandLineUnits"])
                # Desktop programs find their own quoted path first on the raw line.
                raw = f'"{rig.win_path(kolw)}"' + (" " + expected if expected else "")
                self.assertEqual(rig.units(raw), call["rawCommandLineUnits"])

    def test_embedded_launch_line_merges_with_the_users(self):
        launcher = self.launcher("external_app")
        self.machine("kolw.exe")
        self.documents("app.kol", "two.kol")
        self.assertEqual(f'"{self.dir}app.kol" -debug',
                         self.run_ok(launcher).call["commandLine"])
        self.assertEqual(f'"{self.dir}app.kol" -debug "{self.dir}two.kol" x',
                         self.run_ok(launcher, "two.kol x").call["commandLine"])

    def test_kolw_wins_over_kol(self):
        launcher = self.launcher()
        kolw = self.machine("kolw.exe")
        self.machine("kol.exe", kind="kol")
        result = self.run_ok(launcher, "x")
        self.assertRan(result, kolw, "WinMain")

    def test_kol_when_there_is_no_kolw(self):
        launcher = self.launcher()
        kol = self.machine("kol.exe", kind="kol")
        self.documents("My Doc.kol")
        # Nothing is registered: the runtime base isn't needed.
        result = self.run_ok(launcher, "'My Doc.kol' \"a b\"")
        self.assertRan(result, kol, "wmain")
        call = result.call
        self.assertEqual(["2", f"{self.dir}My Doc.kol", "a b"],
                         [call["arguments"], call["argument1"], call["argument2"]])

    def test_executable_named_after_the_registered_runtime(self):
        launcher = self.launcher()
        runtime = self.folder / "rt"
        cases = [
            # registered library, stand-ins at the runtime base, the one that runs
            (f'"{rig.win_path(runtime)}\\Kol.DLL"', ["Kolw.exe", "Kol.exe"], "Kolw.exe"),
            (f"{rig.win_path(runtime)}\\Kolw.DLL", ["Kol.exe"], "Kol.exe"),
            (f"{rig.win_path(runtime)}\\KolW.DLL", ["KolW.exe"], "KolW.exe"),
        ]
        for registered, present, runs in cases:
            with self.subTest(registered=registered):
                shutil.rmtree(runtime, ignore_errors=True)
                for name in present:
                    self.machine(name, folder=runtime)
                rig.reg_set(LIBRARY_KEY, "@", "sz", registered)
                result = self.run_ok(launcher, "x")
                self.assertRan(result, runtime / runs, "WinMain")
                self.assertEqual("x", result.call["commandLine"])

    def test_nothing_to_run(self):
        launcher = self.launcher()
        result = rig.run(launcher, "x")
        self.assertEqual([CANNOT_FIND], result.boxes)
        self.assertEqual(-1, result.exit_code)
        rig.reg_set(LIBRARY_KEY, "@", "sz", f"{self.dir}Kol.DLL")
        result = rig.run(launcher, "x")
        self.assertEqual([CANNOT_FIND], result.boxes)
        self.assertEqual(-1, result.exit_code)

    def test_the_launcher_never_runs_itself(self):
        # Registration names the runtime library after the launcher, Kol.exe as Kol.DLL: kol.exe
        # beside it and at the runtime base is then the launcher itself, under any name.
        registered = f"{self.dir}Kol.DLL"
        cases = [
            ("Kol.exe", None, None),
            ("Demo.exe", "hard link", None),
            ("kolw.exe", "machine", "kol.exe"),
        ]
        for name, kol, runs in cases:
            with self.subTest(launcher=name, kol=kol):
                shutil.rmtree(self.folder)
                launcher = rig.install(self.folder, launcher=rig.variant("external_empty"),
                                       name=name, runtime=False)
                if kol == "hard link":
                    (self.folder / "kol.exe").hardlink_to(launcher)
                elif kol == "machine":
                    self.machine("kol.exe", kind="kol")
                rig.reg_set(LIBRARY_KEY, "@", "sz", registered)
                explained = rig.wine(rig.KOLBRAND, "--explain", rig.win_path(launcher))
                self.assertIn("the launcher's own file, met among the candidates, is passed "
                              "over", explained.stdout)
                result = rig.run(launcher, "x", timeout_ms=10000)
                self.assertFalse(result.timed_out, result)
                if runs:
                    self.assertRan(result, self.folder / runs, "wmain")
                    self.assertEqual(0, explained.returncode, explained.stdout)
                else:
                    self.assertEqual(([CANNOT_FIND], -1, []),
                                     (result.boxes, result.exit_code, result.calls))
                    self.assertEqual(1, explained.returncode, explained.stdout)

    def test_kolw_that_is_no_program(self):
        launcher = self.launcher()
        (self.folder / "kolw.exe").write_bytes(b"not a program\r\n")
        self.machine("kol.exe", kind="kol")
        result = rig.run(launcher, "x")
        self.assertEqual([CANNOT_RUN], result.boxes)
        self.assertEqual(-1, result.exit_code)
        self.assertEqual([], result.calls, "kol.exe is no fallback once kolw.exe was found")

    def test_exit_codes_pass_through(self):
        launcher = self.launcher()
        self.machine("kolw.exe")
        for code, expected in (("0", 0), ("7", 7), ("0x80000005", -2147483643),
                               ("0xFFFFFFFE", -2)):
            with self.subTest(code=code):
                result = self.run_ok(launcher, "x", extra_env={"KOL_EXIT": code})
                self.assertEqual(expected, result.exit_code)

    def test_waits_for_the_child_however_long_it_runs(self):
        launcher = self.launcher()
        self.machine("kolw.exe")
        result = self.run_ok(launcher, "x", timeout_ms=30000,
                             extra_env={"KOL_CHILD_MS": "6000", "KOL_EXIT": "9"})
        self.assertEqual(9, result.exit_code)
        self.assertGreaterEqual(int(result.fields["elapsedMs"]), 6000)

    def test_java_route_changes_nothing(self):
        self.addCleanup(rig.reg_delete, JAVA_KEY)
        launcher = self.launcher("external_java")
        kolw = self.machine("kolw.exe")
        self.machine("java\\bin\\javaw.exe")
        self.documents("app.kol", "kol.jar")
        java = JAVA_KEY + "\\Java Runtime Environment"
        rig.reg_set(java, "CurrentVersion", "sz", "1.6")
        rig.reg_set(java + "\\1.6", "JavaHome", "sz", f"{self.dir}java")
        result = self.run_ok(launcher)
        self.assertRan(result, kolw, "WinMain")
        self.assertEqual(f'"{self.dir}app.kol"', result.call["commandLine"])

    def test_splash_shows_while_the_child_runs(self):
        launcher = self.launcher()
        self.machine("kolw.exe")
        self.assertEqual("visible", self.run_ok(launcher, "x").call["splash"])


if __name__ == "__main__":
    rig.main()
