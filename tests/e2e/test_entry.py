#!/usr/bin/env python3
"""The launcher's entry under Wine: what the runtime receives, exit codes, the two
library error boxes and the registered runtime path."""
import shutil

import rig


class EntryTest(rig.WineTestCase):

    def apart(self, folder, runtime, name):
        """A launcher in folder/app without a runtime of its own, and the runtime library
        copied to folder/machine/name; (launcher, its copy)."""
        launcher = rig.install(folder / "app", runtime=False)
        copy = folder / "machine" / name
        copy.parent.mkdir()
        shutil.copyfile(runtime, copy)
        return launcher, copy

    def test_exit_code_passes_through_all_32_bits(self):
        for code in (7, 0, -5, -0x7FFFFFFF, -1):
            with self.subTest(code=code):
                result = rig.run(rig.BIN / "launcher.exe", "x", extra_env={"KOL_EXIT": str(code)})
                self.assertEqual(code, result.exit_code, result)
                self.assertEqual(str(code), result.call["exitCode"])

    def test_exit_code_with_top_bit_set(self):
        result = rig.run(rig.BIN / "launcher.exe", "x", extra_env={"KOL_EXIT": "0x80000001"})
        self.assertEqual("0x80000001", result.fields["exitHex"], result)

    def test_runtime_receives_the_six_start_values(self):
        result = rig.run(rig.BIN / "launcher.exe", "-x 5 \"My Doc.kol\" tail")
        call = result.call
        self.assertEqual("1", call["instanceIsProcessModule"])
        self.assertEqual(0, int(call["previousInstance"], 16))
        self.assertEqual("-x 5 \"My Doc.kol\" tail", call["commandLine"])
        self.assertEqual("10", call["showCommand"], "SW_SHOWDEFAULT from a plain start")
        self.assertEqual("1", call["launcherIsProcessModule"])
        self.assertEqual(call["instance"], call["launcherModule"])
        self.assertEqual("1", call["libraryIsSelf"])
        self.assertEqual([], result.boxes)

    def test_command_line_is_handed_on_exactly(self):
        for line in ("  two leading blanks", "\ttab first", "trailing  ", "é ü €", "a\"b"):
            with self.subTest(line=line):
                call = rig.run(rig.BIN / "launcher.exe", line).call
                self.assertEqual(rig.units(line), call["commandLineUnits"])

    def test_missing_library_shows_its_box_and_exits_minus_one(self):
        folder = self.tmp()
        launcher = rig.install(folder, runtime=False)
        result = rig.run(launcher, "x", cwd=folder, extra_env={"KOL_EXIT": "9"})
        self.assertEqual([("Error Loading DLL", "Could not find DLL: Kol.DLL")], result.boxes)
        self.assertEqual(-1, result.exit_code)
        self.assertEqual([], result.calls)

    def test_library_without_entry_routine_shows_its_box_and_exits_minus_one(self):
        folder = self.tmp()
        launcher = rig.install(folder, runtime=False)
        shutil.copyfile(rig.HELPERS / "noentry.dll", folder / "Kol.dll")
        result = rig.run(launcher, "x", cwd=folder)
        self.assertEqual([("Error Starting DLL", 'Could not find DLL entry routine "KolMainW"')],
                         result.boxes)
        self.assertEqual(-1, result.exit_code)

    def test_entry_routine_that_removes_its_own_arguments(self):
        # WinMain's convention for a 32-bit runtime; it returns 1000 plus its line's length.
        folder = self.tmp()
        launcher = rig.install(folder, runtime=False)
        shutil.copyfile(rig.HELPERS / "stdcall.dll", folder / "Kol.dll")
        result = rig.run(launcher, "abc", cwd=folder)
        self.assertEqual(1003, result.exit_code, result)
        self.assertEqual([], result.boxes)

    def test_registered_runtime_path_is_the_fallback(self):
        folder = self.tmp()
        launcher, runtime = self.apart(folder, rig.BIN / "Kol.dll", "Runtime Library.dll")
        for registered in (rig.win_path(runtime), '"' + rig.win_path(runtime) + '"'):
            with self.subTest(registered=registered):
                rig.reg_set("HKCR\\KolFile10\\DLL", "@", "sz", registered)
                result = rig.run(launcher, "x", cwd=folder, extra_env={"KOL_EXIT": "3"})
                self.assertEqual(3, result.exit_code, result)
                self.assertEqual("1", result.call["libraryIsSelf"])
                self.assertEqual([], result.boxes)

    def test_a_library_in_the_current_folder_is_never_loaded(self):
        # A planted Kol.dll without the entry routine: loading it would show its own box.
        folder = self.tmp()
        launcher = rig.install(folder / "app", runtime=False)
        current = folder / "documents"
        (current / "rt").mkdir(parents=True)
        for plant in (current / "Kol.dll", current / "rt" / "Kol.dll"):
            shutil.copyfile(rig.HELPERS / "noentry.dll", plant)
        runtime = folder / "machine" / "Kol.dll"
        runtime.parent.mkdir()
        shutil.copyfile(rig.BIN / "Kol.dll", runtime)
        missing = [("Error Loading DLL", "Could not find DLL: Kol.DLL")]
        for registered, boxes, calls in ((rig.win_path(runtime), [], 1), (None, missing, 0),
                                         ("rt\\Kol.dll", missing, 0)):
            with self.subTest(registered=registered):
                rig.clean_registry()
                if registered:
                    rig.reg_set("HKCR\\KolFile10\\DLL", "@", "sz", registered)
                result = rig.run(launcher, "x", cwd=current)
                self.assertEqual(boxes, result.boxes)
                self.assertEqual(calls, len(result.calls))
                self.assertEqual(0 if calls else -1, result.exit_code)

    def test_a_runtime_finds_its_imports_beside_it_never_in_the_current_folder(self):
        # The runtime imports private.dll; the current folder holds a planted copy, whose
        # value (13) would show if it were taken.
        folder = self.tmp()
        launcher, runtime = self.apart(folder, rig.HELPERS / "privrt.dll", "privrt.dll")
        current = folder / "documents"
        current.mkdir()
        shutil.copyfile(rig.HELPERS / "planted" / "private.dll", current / "private.dll")
        rig.reg_set("HKCR\\KolFile10\\DLL", "@", "sz", rig.win_path(runtime))
        missing = [("Error Loading DLL", "Could not find DLL: Kol.DLL")]
        for beside, exit_code, boxes in ((False, -1, missing), (True, 7, [])):
            with self.subTest(beside=beside):
                if beside:
                    shutil.copyfile(rig.HELPERS / "private.dll", runtime.parent / "private.dll")
                result = rig.run(launcher, "x", cwd=current)
                self.assertEqual(exit_code, result.exit_code, result)
                self.assertEqual(boxes, result.boxes)

    def test_a_registered_full_path_loads_whatever_the_launchers_path(self):
        # 6 folders of 90 characters: the launcher's path is longer than 520 characters,
        # too long for the runwait helper's CreateProcessW, so Wine starts it from its Unix
        # path (a message box would then hold it until the time runs out).
        deep = self.tmp().joinpath(*["f" * 90] * 6)
        launcher = rig.install(deep, runtime=False)
        self.assertGreater(len(rig.win_path(launcher)), 520)
        rig.reg_set("HKCR\\KolFile10\\DLL", "@", "sz", rig.win_path(rig.BIN / "Kol.dll"))
        completed = rig.wine(launcher, "x", extra_env={"KOL_EXIT": "6", "KOL_SHOW_MS": "0",
                                                       "KOL_LOG": rig.win_path(deep / "log")})
        self.assertEqual(6, completed.returncode, completed.stderr)

    def test_a_relative_registered_path_is_taken_from_the_launchers_folder(self):
        folder = self.tmp()
        launcher = rig.install(folder, runtime=False)
        (folder / "rt").mkdir()
        shutil.copyfile(rig.BIN / "Kol.dll", folder / "rt" / "Kol.dll")
        rig.reg_set("HKCR\\KolFile10\\DLL", "@", "sz", "rt\\Kol.dll")
        result = rig.run(launcher, "x", cwd=rig.TMP, extra_env={"KOL_EXIT": "4"})
        self.assertEqual(4, result.exit_code, result)

    def test_registered_path_that_does_not_load_shows_the_box(self):
        folder = self.tmp()
        launcher = rig.install(folder, runtime=False)
        rig.reg_set("HKCR\\KolFile10\\DLL", "@", "sz", rig.win_path(folder / "absent.dll"))
        result = rig.run(launcher, "x", cwd=folder)
        self.assertEqual([("Error Loading DLL", "Could not find DLL: Kol.DLL")], result.boxes)
        self.assertEqual(-1, result.exit_code)


if __name__ == "__main__":
    rig.main()
