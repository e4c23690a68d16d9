#!/usr/bin/env python3
"""kolbrand --explain under Wine, on the shipped launcher and on branded ones: what it
reports for a start agrees with what the launcher then does (the runtime's line, the
splash window, the activation of a running instance, the bytes forwarded, the child's line
and executable), and explaining changes nothing: the registry is the same afterwards, and
no window, process or connection comes of it."""
import re
import shutil
import subprocess
import unicodedata

import brand_assets
import rig
from test_handoff import ACTIVATION, PORT_KEY, Listener, RunningInstance

KOLBRAND = rig.KOLBRAND
MACHINE = rig.HELPERS / "machine"
LIBRARY_KEY = "HKCR\\KolFile10\\DLL"
# The demo runtime of the other architecture's build, and that architecture.
OTHER_BUILD = "win64" if rig.BUILD.name == "win32" else "win32"
OTHER_RUNTIME = rig.ROOT / "build" / OTHER_BUILD / "bin" / "Kol.dll"
OTHER_ARCHITECTURE = "x64 (64-bit)" if OTHER_BUILD == "win64" else "x86 (32-bit)"
# What kolbrand must never call: it would write the registry, make a window or a process,
# send a message, or connect.
ACTING_IMPORTS = {"RegCreateKeyExW", "RegCreateKeyW", "RegSetValueExW", "RegSetValueW",
                  "RegDeleteKeyW", "RegDeleteValueW", "CreateWindowExW", "CreateDialogParamW",
                  "DialogBoxParamW", "MessageBoxW", "PostMessageW", "SendMessageW",
                  "SetForegroundWindow", "CreateProcessW", "ShellExecuteW", "WinExec"}


def explain(launcher, line="", screen=None, extra_env=None):
    """(exit code, report) of kolbrand --explain for a start with that raw line."""
    args = ["--explain", rig.win_path(launcher), "--line", line]
    if screen is not None:
        args += ["--screen", screen]
    completed = rig.wine(KOLBRAND, *args, extra_env=extra_env)
    return completed.returncode, completed.stdout.replace("\r\n", "\n")


def shown(units):
    """Code units as the demo runtime logs them ("0061 0020"), in explain's form: as Windows
    shows them, but for control and format characters, line and paragraph separators,
    noncharacters and unpaired surrogates, each as <U+XXXX>."""
    text = b"".join(int(unit, 16).to_bytes(2, "little") for unit in units.split()) \
        .decode("utf-16-le", "surrogatepass")
    unshown = ("Cc", "Cf", "Zl", "Zp", "Cs")
    return "".join(f"<U+{ord(c):04X}>" if unicodedata.category(c) in unshown
                   or ord(c) & 0xFFFE == 0xFFFE else c for c in text)


def unescaped(text):
    """A text as explain shows it, read back: <U+XXXX> is that character."""
    return re.sub(r"<U\+([0-9A-F]{4,6})>", lambda m: chr(int(m.group(1), 16)), text)


def found(pattern, report):
    """The first group of the first line that matches, or all of its groups joined by ","."""
    match = re.search(pattern, report, re.M)
    assert match, f"{pattern!r} not in the report:\n{report}"
    return ",".join(match.groups())


def effective_line(report):
    return found(r'^effective line: "(.*)" \(\d+ characters?\)$', report)


def splash_window(report):
    """The window's x,y,width,height as the demo runtime logs them, or "none"."""
    if re.search(r"no splash", report):
        return "none"
    return found(r'^  window at (-?\d+),(-?\d+), (\d+)x(\d+), ', report)


class ExplainTest(rig.WineTestCase):

    @classmethod
    def setUpClass(cls):
        cls.assets = brand_assets.write(rig.TMP / "explain-assets")

    def setUp(self):
        super().setUp()
        self.folder = self.tmp()

    def branded(self, folder, *options):
        """This build's launcher branded by kolbrand into folder/app.exe, with the demo
        runtime."""
        launcher = folder / "app.exe"
        folder.mkdir(parents=True, exist_ok=True)
        completed = rig.wine(KOLBRAND, rig.win_path(launcher), "--from",
                             rig.win_path(rig.BIN / "launcher.exe"), *options)
        self.assertEqual(0, completed.returncode, completed.stderr)
        shutil.copyfile(rig.BIN / "Kol.dll", folder / "Kol.dll")
        return launcher

    def test_the_runtime_gets_the_line_and_the_splash_explained(self):
        wide = rig.win_path(self.assets / "wide.bmp")
        launchers = {
            "shipped": rig.install(self.folder / "shipped"),
            "cmake": rig.install(self.folder / "cmake", launcher=rig.variant("brand_cmake")),
            "high": rig.install(self.folder / "high", launcher=rig.variant("embed_high_byte")),
            "oversize": rig.install(self.folder / "oversize",
                                    launcher=rig.variant("splash_oversize")),
            "nosplash": rig.install(self.folder / "nosplash", launcher=rig.variant("splash_none")),
            "kolbrand": self.branded(self.folder / "kolbrand", "--command-line", "  a.kol\t",
                                     "--config", "SplashScreenTitle=T|SplashScreen=200x150;WIDE",
                                     "--splash", f"WIDE={wide}"),
        }
        cases = [
            ("shipped", ""),
            ("shipped", '"\\My Documents\\Chess.kol" -x '),
            ("cmake", "-+ -x -- doc.kol"),
            ("high", "doc.kol"),
            ("oversize", "x"),
            ("nosplash", "x"),
            ("kolbrand", "doc.kol"),
        ]
        for name, line in cases:
            with self.subTest(launcher=name, line=line):
                code, report = explain(launchers[name], line)
                self.assertEqual(0, code, report)
                result = rig.run(launchers[name], line)
                call = result.call
                self.assertEqual(shown(call["commandLineUnits"]), effective_line(report))
                self.assertEqual(call["splash"], splash_window(report))
                # The launcher's path as Windows shows it; the title once, with CONFIG.
                self.assertEqual(rig.win_path(launchers[name]),
                                 found(r"^launcher: (.*)$", report))
                if name == "cmake":
                    self.assertEqual(1, report.count(brand_assets.TITLE), report)

    def test_the_runtime_library_is_the_one_explained(self):
        launcher = rig.install(self.folder / "app", runtime=False)
        beside = launcher.parent / "Kol.dll"
        registered = self.folder / "machine" / "Runtime Library.dll"
        registered.parent.mkdir()
        shutil.copyfile(rig.BIN / "Kol.dll", registered)
        # The start's current folder holds a Kol.dll, and the private library of a runtime,
        # that neither may take.
        current = self.folder / "documents"
        current.mkdir()
        shutil.copyfile(rig.HELPERS / "noentry.dll", current / "Kol.dll")
        shutil.copyfile(rig.HELPERS / "planted" / "private.dll", current / "private.dll")
        importing = self.folder / "machine" / "privrt.dll"
        shutil.copyfile(rig.HELPERS / "privrt.dll", importing)
        # What a bare start registers: the launcher's path with the extension ".DLL".
        own = launcher.parent / "launcher.DLL"
        no_entry = ("Error Starting DLL", 'Could not find DLL entry routine "KolMainW"')
        none = ("Error Loading DLL", "Could not find DLL: Kol.DLL")
        cases = [
            ("registered, quoted", "x", lambda: rig.reg_set(LIBRARY_KEY, "@", "sz",
                                                            f'"{rig.win_path(registered)}"'),
             f"{rig.win_path(registered)}, at its full path", []),
            ("beside, without KolMainW", "x",
             lambda: shutil.copyfile(rig.HELPERS / "noentry.dll", beside),
             f"{rig.win_path(beside)}, beside the launcher", [no_entry]),
            ("none", "x", lambda: (beside.unlink(), rig.reg_delete(LIBRARY_KEY)),
             "none loads", [none]),
            ("registered, its import only in the current folder", "x",
             lambda: rig.reg_set(LIBRARY_KEY, "@", "sz", rig.win_path(importing)),
             "it imports private.dll, found neither in its own folder, beside the launcher nor "
             "in the system folder", [none]),
            ("the one a bare start registers", "",
             lambda: shutil.copyfile(rig.BIN / "Kol.dll", own),
             f"{rig.win_path(own)}, at its full path", []),
            ("a registered one that a bare start replaces", "",
             lambda: (own.unlink(), rig.reg_set(LIBRARY_KEY, "@", "sz", rig.win_path(registered))),
             "none loads", [none]),
        ]
        for what, line, arrange, named, boxes in cases:
            with self.subTest(what):
                arrange()
                code, report = explain(launcher, line)
                self.assertIn(named, report)
                self.assertEqual(1 if boxes else 0, code, report)
                result = rig.run(launcher, line, cwd=current)
                self.assertEqual(boxes, result.boxes)
                self.assertEqual(0 if boxes else 1, len(result.calls))
                if boxes:
                    self.assertEqual(str(result.exit_code), found(r"exit code (-?\d+)$", report))

    def test_a_runtime_of_the_other_architecture_is_explained(self):
        if not OTHER_RUNTIME.exists():
            self.skipTest(f"the {OTHER_BUILD} build is needed for its {OTHER_RUNTIME.name}")
        launcher = rig.install(self.folder, runtime=False)
        shutil.copyfile(OTHER_RUNTIME, self.folder / "Kol.dll")
        code, report = explain(launcher, "x")
        self.assertEqual(1, code, report)
        self.assertIn(f"an {OTHER_ARCHITECTURE} Kol.dll can't be loaded by this "
                      f"{rig.ARCHITECTURE} launcher: it doesn't load", report)
        result = rig.run(launcher, "x")
        self.assertEqual((-1, [("Error Loading DLL", "Could not find DLL: Kol.DLL")]),
                         (result.exit_code, result.boxes))

    def test_a_running_instance_takes_the_start_as_explained(self):
        launcher = rig.install(self.folder)
        document = '"' + rig.win_path(self.folder / "Games" / "Chess.kol") + '"'
        instance = RunningInstance(self.folder, "Chess_run")
        try:
            code, report = explain(launcher, document)
            self.assertEqual(0, code, report)
            self.assertEqual("Chess_run", found(r'window class "(.*)"$', report))
            self.assertIn("a window of that class exists now", report)
            result = rig.run(launcher, document)
            self.assertEqual((0, []), (result.exit_code, result.calls), result)
            self.assertEqual([ACTIVATION], instance.messages())
        finally:
            instance.end()

        code, report = explain(launcher, "Other.kol")
        self.assertIn('window class "Other_run"', report)
        self.assertIn("no window of that class exists now: the start goes on", report)

    def test_a_forwarded_command_is_sent_as_explained(self):
        launcher = rig.install(self.folder)
        line = '-acommand "open \u0141x"'
        # A machine on every IPv6 address takes the launcher's IPv4 connection only when it
        # turned IPv6-only off, which explain can't see, and says so; this one did.
        for dual_stack in (False, True):
            with self.subTest(dual_stack=dual_stack):
                listener = Listener(dual_stack=dual_stack)
                try:
                    # Only the low 16 bits of the setting make the port.
                    rig.reg_set(PORT_KEY, "ServerPort", "dword", str(listener.port | 0x10000))
                    code, report = explain(launcher, line)
                    self.assertEqual(0, code, report)
                    self.assertEqual(str(listener.port),
                                     found(r"to 127\.0\.0\.1 port (\d+),", report))
                    payload = bytes.fromhex(found(r"first send \(\d+ bytes?\): (.*)$", report))
                    self.assertEqual("0A", found(r"second send \(1 byte\): (.*)$", report))
                    self.assertIn("a machine listens on IPv6 at that port" if dual_stack
                                  else "a machine listens there now", report)
                    result = rig.run(launcher, line)
                    self.assertEqual((0, []), (result.exit_code, result.calls), result)
                    self.assertEqual([payload + b"\n"], listener.wait())
                finally:
                    listener.close()

        closed = Listener(listening=False)
        try:
            rig.reg_set(PORT_KEY, "ServerPort", "dword", str(closed.port))
            code, report = explain(launcher, line)
            self.assertIn("nothing listens there now", report)
            self.assertEqual(shown(rig.units(line)), effective_line(report))
            self.assertEqual(line, rig.run(launcher, line).call["commandLine"])
        finally:
            closed.close()

    def test_the_machine_runs_as_explained(self):
        launcher = rig.install(self.folder, launcher=rig.variant("external_app"), name="Demo.exe",
                               runtime=False)
        (self.folder / "app.kol").write_bytes(b"")
        base = self.folder / "runtime"
        base.mkdir()
        shutil.copyfile(MACHINE / "kol.exe", base / "Kol.exe")
        kolw = self.folder / "kolw.exe"
        shutil.copyfile(MACHINE / "kolw.exe", kolw)
        rig.reg_set(LIBRARY_KEY, "@", "sz", rig.win_path(base / "Kolw.DLL"))
        # Beside the launcher, then (kolw.exe removed) named after the registered runtime.
        for program, rule in ((kolw, "beside the launcher"), (base / "Kol.exe", "named after")):
            with self.subTest(rule=rule):
                code, report = explain(launcher, "x")
                self.assertEqual(0, code, report)
                executable = unescaped(found(r"^executable: (.*?), (?:beside|named)", report))
                self.assertIn(rule, report)
                child_line = unescaped(found(r'^  child\'s line: "(.*)"$', report))
                call = rig.run(launcher, "x").call
                self.assertEqual(call["program"].lower(), executable.lower())
                self.assertEqual(rig.win_path(program).lower(), executable.lower())
                # On the desktop the child's own quoted path comes before its arguments.
                self.assertEqual(f'"{executable}" {child_line}', call["rawCommandLine"])
                kolw.unlink(missing_ok=True)

        rig.reg_delete(LIBRARY_KEY)
        code, report = explain(launcher, "x")
        self.assertEqual(1, code, report)
        self.assertIn('"Cannot find Kol VM Executable"', report)
        result = rig.run(launcher, "x")
        self.assertEqual((-1, [("Kol Launcher Error", "Cannot find Kol VM Executable")]),
                         (result.exit_code, result.boxes))

    def test_explaining_changes_nothing(self):
        launcher = rig.install(self.folder)
        external = rig.install(self.folder / "external", launcher=rig.variant("external_app"),
                               runtime=False)
        shutil.copyfile(MACHINE / "kolw.exe", external.parent / "kolw.exe")
        log = self.folder / "kol.log"
        before, after = self.folder / "before.reg", self.folder / "after.reg"
        rig.wine("regedit", "/E", rig.win_path(before))
        # A bare start would register, "+" would too, "-acommand" would create the port's
        # key; the launch line would start the machine. None of it happens.
        for program, line in ((launcher, ""), (launcher, "+"), (launcher, "-acommand open"),
                              (external, "x")):
            with self.subTest(line=line):
                code, report = explain(program, line, extra_env={"KOL_LOG": rig.win_path(log)})
                self.assertEqual(0, code, report)
        rig.wine("regedit", "/E", rig.win_path(after))
        self.assertEqual(before.read_bytes(), after.read_bytes(), "the registry changed")
        self.assertFalse(log.exists(), "neither the runtime nor the machine ran")

    def test_kolbrand_imports_nothing_that_acts(self):
        dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(KOLBRAND)],
                              capture_output=True, text=True, check=True).stdout
        imports = set(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\w+)$", dump, re.M))
        self.assertIn("RegOpenKeyExW", imports, "the import table was read")
        self.assertEqual(set(), imports & ACTING_IMPORTS)
        dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
        self.assertEqual(set(), dlls & {"ws2_32.dll", "wsock32.dll", "shell32.dll"})

    def test_a_file_that_is_no_launcher_is_a_usage_error(self):
        not_a_program = self.folder / "notes.exe"
        not_a_program.write_bytes(b"MZ" + bytes(100))
        code, report = explain(not_a_program)
        self.assertEqual((2, ""), (code, report))


if __name__ == "__main__":
    rig.main()
