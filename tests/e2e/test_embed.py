#!/usr/bin/env python3
"""Embedded command lines merged with the user's, and the .kol document type registered
by a bare start, under Wine."""
import rig

# The worked examples: the user's line and what the runtime receives, blanks shown as ␣,
# for a launcher whose "CommandLine" resource begins with the line "app.kol start".
MERGE_EXAMPLES = [
    ("", "app.kol␣start"),
    ("␣␣␣", "␣app.kol␣start"),
    ("doc.kol", "␣app.kol␣start␣doc.kol"),
    ("␣␣doc.kol␣␣x␣", "␣app.kol␣start␣doc.kol␣␣x␣"),
    ("-+", "␣app.kol␣start␣-+"),
    ("-+x", "x␣␣app.kol␣start"),
    ("-+␣-x", "-x␣␣app.kol␣start"),
    ("-+␣-x␣doc.kol", "-x␣doc.kol␣␣app.kol␣start"),
    ("-+␣-x␣--␣doc.kol", "-x␣␣app.kol␣start␣doc.kol"),
    ("/+␣-x␣/-␣doc.kol␣y", "-x␣␣app.kol␣start␣doc.kol␣y"),
    ('-+␣-x␣"a␣b"␣--␣c', '-x␣"a␣b"␣␣app.kol␣start␣c'),
    ("-+␣'a␣\"b'␣c", "'a␣\"b'␣c␣␣app.kol␣start"),
    ("-+␣--␣doc.kol", "␣app.kol␣start␣doc.kol"),
    ("-+␣--x␣y", "--x␣y␣␣app.kol␣start"),
    ("-+--", "␣app.kol␣start"),
    ("-+␣", "␣app.kol␣start"),
    ('-+␣a"b␣c"d␣e', 'a"b␣c"d␣e␣␣app.kol␣start'),
    ('-+␣"a␣b', '"a␣b␣␣app.kol␣start'),
]

CLASS_KEY = "HKCR\\KolFile10"
COMMAND_KEY = "HKCR\\KolFile10\\Shell\\Open\\Command"
ICON_KEY = "HKCR\\KolFile10\\DefaultIcon"
LIBRARY_KEY = "HKCR\\KolFile10\\DLL"
EXTENSION_KEY = "HKCR\\.kol"
REGISTERED_KEYS = (CLASS_KEY, COMMAND_KEY, ICON_KEY, LIBRARY_KEY, EXTENSION_KEY)
REG_SZ = 1


def blanks(text):
    return text.replace("␣", " ")


def told(launcher):
    """Whether a bare start told the shell that associations changed (Wine traces the
    call). It may only once the machine is over: the shell library, which the launcher
    loads to tell it, must not be there while the runtime runs."""
    result = rig.run(launcher, "", extra_env={"WINEDEBUG": "trace+shell"})
    assert result.call["shellLoaded"] == "0", result.call
    return "trace:shell:SHChangeNotify (0x08000000," in result.trace


class EmbedTest(rig.WineTestCase):

    def install(self, variant):
        return rig.install(self.tmp(), launcher=rig.variant(variant), name=f"{variant}.exe")

    def runtime_line(self, launcher, args):
        result = rig.run(launcher, args)
        self.assertEqual([], result.boxes)
        return result.call["commandLineUnits"]

    def assertDefault(self, key, text):
        value = rig.reg_get(key, "@")
        self.assertIsNotNone(value, key)
        self.assertEqual(REG_SZ, value["type"], key)
        self.assertEqual(text, value["text"], key)
        self.assertEqual((len(text) + 1) * 2, value["size"], key)

    def test_worked_examples(self):
        launcher = self.install("embed_command")
        for user, merged in MERGE_EXAMPLES:
            with self.subTest(user=user):
                self.assertEqual(rig.units(blanks(merged)),
                                 self.runtime_line(launcher, blanks(user)))

    def test_high_byte_becomes_ffe9(self):
        launcher = self.install("embed_high_byte")
        self.assertEqual(rig.units("caf\uFFE9 start"), self.runtime_line(launcher, ""))
        self.assertEqual(rig.units(" caf\uFFE9 start doc.kol"),
                         self.runtime_line(launcher, "doc.kol"))

    def test_with_both_resources_the_command_line_runs_in_process(self):
        launcher = self.install("embed_both")
        self.assertEqual(rig.units(" in.kol doc.kol"), self.runtime_line(launcher, "doc.kol"))

    def test_empty_embedded_line(self):
        launcher = self.install("embed_empty")
        self.assertEqual(rig.units("  doc.kol"), self.runtime_line(launcher, "doc.kol"))
        self.assertIsNone(rig.reg_get(EXTENSION_KEY, "@"), "a visible line registers nothing")
        self.assertEqual("", self.runtime_line(launcher, ""))
        self.assertDefault(EXTENSION_KEY, "KolFile10")

    def assertRegisteredFor(self, launcher):
        program = rig.win_path(launcher)
        self.assertDefault(CLASS_KEY, "Kol Application")
        self.assertEqual(32, rig.reg_get(CLASS_KEY, "@")["size"])
        self.assertDefault(COMMAND_KEY, f'"{program}" "%1"')
        self.assertDefault(ICON_KEY, program + ",-50")
        self.assertDefault(LIBRARY_KEY, program[:-len(".exe")] + ".DLL")
        self.assertDefault(EXTENSION_KEY, "KolFile10")
        self.assertEqual(20, rig.reg_get(EXTENSION_KEY, "@")["size"])
        for key in ("HKCR\\KolFile10\\Shell", "HKCR\\KolFile10\\Shell\\Open"):
            self.assertIsNone(rig.reg_get(key, "@"), key)

    def test_bare_start_registers_and_starts_the_runtime(self):
        launcher = rig.install(self.tmp())
        result = rig.run(launcher, "", extra_env={"KOL_EXIT": "4"})
        self.assertEqual(4, result.exit_code, result)
        self.assertEqual("", result.call["commandLine"])
        self.assertRegisteredFor(launcher)

    def test_registering_twice_gives_the_same_values_and_tells_the_shell_once(self):
        launcher = rig.install(self.tmp())
        self.assertTrue(told(launcher))
        first = [rig.reg_get(key, "@") for key in REGISTERED_KEYS]
        self.assertFalse(told(launcher))
        again = [rig.reg_get(key, "@") for key in REGISTERED_KEYS]
        self.assertEqual(first, again)

    def test_a_standard_user_writes_only_what_the_machine_lacks(self):
        # The machine's keys made read-only, as a standard user meets them (Wine's classes
        # root is the machine's classes alone, and Wine otherwise grants every access).
        folder = self.tmp()
        installed = rig.install(folder / "installed")
        moved = rig.install(folder / "moved")
        self.assertEqual(0, rig.run(installed, "+").exit_code)
        machine, user = ([key.replace("HKCR", root + "\\Software\\Classes")
                          for key in REGISTERED_KEYS] for root in ("HKLM", "HKCU"))
        completed = rig.wine(rig.HELPERS / "regtool.exe", "protect", *machine)
        self.assertEqual(0, completed.returncode, completed.stderr)
        before = [rig.reg_get(key, "@") for key in machine]

        # Everything in place: nothing is written, nothing goes to the user's classes.
        self.assertFalse(told(installed))
        self.assertEqual([None] * 5, [rig.reg_get(key, "@") for key in user])
        # From another folder: the three values of its path, which the machine refuses,
        # go to the user's own classes.
        self.assertTrue(told(moved))
        self.assertEqual(before, [rig.reg_get(key, "@") for key in machine])
        program = rig.win_path(moved)
        self.assertEqual([None, f'"{program}" "%1"', program + ",-50",
                          program[:-len(".exe")] + ".DLL", None],
                         [(rig.reg_get(key, "@") or {}).get("text") for key in user])

    def test_plus_registers_and_ends_without_the_runtime(self):
        launcher = rig.install(self.tmp())
        for line in ("+", "+   "):
            with self.subTest(line=line):
                rig.clean_registry()
                result = rig.run(launcher, line, extra_env={"KOL_EXIT": "4"})
                self.assertEqual(0, result.exit_code, result)
                self.assertEqual([], result.calls)
                self.assertRegisteredFor(launcher)

    def test_visible_line_registers_nothing(self):
        launcher = rig.install(self.tmp())
        rig.run(launcher, "doc.kol")
        self.assertIsNone(rig.reg_get(CLASS_KEY, "@"))
        self.assertIsNone(rig.reg_get(EXTENSION_KEY, "@"))

    def test_opening_a_document_starts_the_launcher_with_it(self):
        folder = self.tmp()
        launcher = rig.install(folder / "Kol Launcher")
        self.assertEqual(0, rig.run(launcher, "+").exit_code)
        document = folder / "My Documents" / "Chess.kol"
        document.parent.mkdir()
        document.write_bytes(b"")
        log = folder / "open.log"
        opened = rig.wine(rig.HELPERS / "shellopen.exe", rig.win_path(document),
                          extra_env={"KOL_LOG": rig.win_path(log), "KOL_SHOW_MS": "0",
                                     "KOL_EXIT": "6"})
        self.assertIn("exit=6", opened.stdout, opened.stdout + opened.stderr)
        calls = rig.read_runtime_log(log)
        self.assertEqual(1, len(calls), calls)
        self.assertEqual(f'"{rig.win_path(document)}"', calls[0]["commandLine"])


if __name__ == "__main__":
    rig.main()
