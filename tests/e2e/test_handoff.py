#!/usr/bin/env python3
"""The instance hand-off under Wine: a second start activates the running instance's
window, `-acommand` forwards its command to a machine listening on loopback TCP, starts
during a slow start wait for its machine rather than start another, and every failure
lets the runtime start with the line unchanged."""
import socket
import subprocess
import threading
import time

import rig

PORT_KEY = "HKLM\\Software\\Morvane\\KolVM"
ACTIVATION = "message=0x040E wParam=0 lParam=0 foreground=1"


class RunningInstance:
    """The instance helper: a window of the given class that records what it receives."""

    def __init__(self, folder, window_class, timeout_ms=30000):
        self.log = folder / f"instance_{len(list(folder.glob('instance_*')))}.log"
        self.process = rig.start(rig.HELPERS / "instance.exe", window_class, rig.win_path(self.log),
                                 timeout_ms, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while not self.lines():
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.process.kill()
                raise RuntimeError(f"instance helper for {window_class} did not come up")
            time.sleep(0.05)
        if self.lines()[0] != "ready foreground=0":
            raise RuntimeError(f"instance helper started in the foreground: {self.lines()}")

    def lines(self):
        try:
            return self.log.read_text().splitlines()
        except OSError:
            return []

    def messages(self, wait=True):
        """The message lines, once the helper has ended (it lingers briefly after one)."""
        if wait:
            self.process.wait(timeout=60)
        return self.lines()[1:]

    def end(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)


class Listener:
    """A machine listening on loopback: records what each connection delivers."""

    def __init__(self, listening=True, dual_stack=False):
        """dual_stack: on every IPv6 address, taking IPv4 connections too, as the servers
        of many runtimes listen."""
        if dual_stack:
            self.socket = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
            self.socket.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 0)
            self.socket.bind(("::", 0))
        else:
            self.socket = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            self.socket.bind(("127.0.0.1", 0))
        self.port = self.socket.getsockname()[1]
        self.received = []
        self.thread = None
        if listening:
            self.socket.listen(4)
            self.socket.settimeout(30)
            self.thread = threading.Thread(target=self._accept, daemon=True)
            self.thread.start()

    def _accept(self):
        try:
            connection, _ = self.socket.accept()
        except OSError:
            return
        with connection:
            connection.settimeout(30)
            data = b""
            while True:
                chunk = connection.recv(4096)
                if not chunk:
                    break
                data += chunk
        self.received.append(data)

    def wait(self):
        if self.thread is not None:
            self.thread.join(timeout=40)
        return self.received

    def close(self):
        self.socket.close()


class HandOffTest(rig.WineTestCase):

    def setUp(self):
        super().setUp()
        self.folder = self.tmp()
        self.instances = []

    def tearDown(self):
        for instance in self.instances:
            instance.end()

    def running(self, window_class):
        instance = RunningInstance(self.folder, window_class)
        self.instances.append(instance)
        return instance

    def document(self, name="Chess.kol"):
        return '"' + rig.win_path(self.folder / "My Documents" / name) + '"'

    # ---- Window activation ----------------------------------------------------------

    def test_second_start_activates_the_running_instance(self):
        instance = self.running("Chess_run")
        result = rig.run(rig.BIN / "launcher.exe", self.document(), extra_env={"KOL_EXIT": "9"})
        self.assertEqual(0, result.exit_code, result)
        self.assertEqual([], result.calls, "the runtime is not loaded")
        self.assertEqual([ACTIVATION], instance.messages())

    def test_instance_name_follows_the_line(self):
        cases = [
            ("com.example.Main -x", "com_example_Main"),
            ("-z Kol samples/Hello", "samples_Hello"),
            ("-o out Z:\\Games\\Game.KOL", "Game_run"),
            ("-- app", "StartKol"),
        ]
        for line, window_class in cases:
            with self.subTest(line=line):
                instance = self.running(window_class)
                result = rig.run(rig.BIN / "launcher.exe", line)
                self.assertEqual(0, result.exit_code, result)
                self.assertEqual([], result.calls)
                self.assertEqual([ACTIVATION], instance.messages())

    def test_without_such_a_window_the_runtime_runs(self):
        other = self.running("Chess_kol")
        line = self.document() + " -x"
        result = rig.run(rig.BIN / "launcher.exe", line, extra_env={"KOL_EXIT": "5"})
        self.assertEqual(5, result.exit_code, result)
        self.assertEqual(line, result.call["commandLine"])
        other.end()
        self.assertEqual([], other.messages(wait=False))

    # ---- Command forwarding -----------------------------------------------------------

    def forward(self, line, port_setting=None, extra_env=None):
        listener = Listener()
        try:
            port = listener.port if port_setting is None else port_setting(listener.port)
            rig.reg_set(PORT_KEY, "ServerPort", "dword", str(port))
            result = rig.run(rig.BIN / "launcher.exe", line, extra_env=extra_env)
            return result, listener.wait()
        finally:
            listener.close()

    def test_command_arrives_byte_for_byte(self):
        cases = [
            ("-acommand open", b"open\n"),
            ('/acommand "open x" -z', b"open x\n"),
            ("-z Kol -acommand go", b"go\n"),
            ("-acommand \u0141x\u00e9", b"Ax\xe9\n"),
        ]
        for line, delivered in cases:
            with self.subTest(line=line):
                result, received = self.forward(line, extra_env={"KOL_EXIT": "9"})
                self.assertEqual(0, result.exit_code, result)
                self.assertEqual([], result.calls)
                self.assertEqual([delivered], received)

    def test_port_is_the_low_sixteen_bits_of_the_setting(self):
        result, received = self.forward("-acommand open", port_setting=lambda p: p | 0x50000)
        self.assertEqual(0, result.exit_code, result)
        self.assertEqual([b"open\n"], received)

    def test_nothing_listening_starts_the_runtime_with_the_line(self):
        refusing = Listener(listening=False)
        try:
            rig.reg_set(PORT_KEY, "ServerPort", "dword", str(refusing.port))
            line = '-acommand "open x"'
            result = rig.run(rig.BIN / "launcher.exe", line, extra_env={"KOL_EXIT": "3"})
        finally:
            refusing.close()
        self.assertEqual(3, result.exit_code, result)
        self.assertEqual(line, result.call["commandLine"])

    def test_without_a_port_setting_the_runtime_starts(self):
        instance = self.running("open")
        for line in ("-acommand open", "-acommand"):
            with self.subTest(line=line):
                result = rig.run(rig.BIN / "launcher.exe", line, extra_env={"KOL_EXIT": "4"})
                self.assertEqual(4, result.exit_code, result)
                self.assertEqual(line, result.call["commandLine"])
        instance.end()
        self.assertEqual([], instance.messages(wait=False), "no window search either")

    # ---- Starts during a slow start ---------------------------------------------------

    def taps(self, lines, extra_env, apart=0.4):
        """Starts the launcher with each line, `apart` seconds after the one before, each
        while the others run; returns the Results in that order."""
        results = [None] * len(lines)

        def tap(i):
            results[i] = rig.run(rig.BIN / "launcher.exe", lines[i], extra_env=extra_env,
                                 timeout_ms=60000)

        threads = [threading.Thread(target=tap, args=(i,)) for i in range(len(lines))]
        for thread in threads:
            thread.start()
            time.sleep(apart)
        for thread in threads:
            thread.join()
        return results

    def test_taps_during_a_slow_start_give_one_machine(self):
        slow = {"KOL_START_MS": "2500", "KOL_INSTANCE_CLASS": "Chess_run"}
        results = self.taps([self.document()] * 3, slow)
        self.assertEqual([0, 0, 0], [result.exit_code for result in results], results)
        calls = [call for result in results for call in result.calls]
        self.assertEqual(1, len(calls), [len(result.calls) for result in results])
        self.assertEqual("2", calls[0]["activations"])

    def test_forwarding_starts_during_a_slow_start_reach_its_port(self):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        rig.reg_set(PORT_KEY, "ServerPort", "dword", str(port))
        slow = {"KOL_START_MS": "2500", "KOL_LISTEN_PORT": str(port)}
        commands = ["first", "second", "third"]
        results = self.taps([f"-acommand {command}" for command in commands], slow)
        self.assertEqual([0, 0, 0], [result.exit_code for result in results], results)
        calls = [call for result in results for call in result.calls]
        self.assertEqual(1, len(calls), [len(result.calls) for result in results])
        received = sorted(value for key, value in calls[0].items() if key.startswith("received."))
        self.assertEqual(sorted(f"{command}\\n" for command in commands
                                if f"-acommand {command}" != calls[0]["commandLine"]), received)

    def test_after_the_wait_a_start_goes_on_at_once(self):
        # A machine that never shows its window, and runs on past the wait: its start gives
        # the mark up after 30 s, not when it ends, 14 s after the second start.
        never = {"KOL_HOLD_MS": "45000"}
        first = threading.Thread(target=rig.run, args=(rig.BIN / "launcher.exe", self.document()),
                                 kwargs={"extra_env": never, "timeout_ms": 60000})
        first.start()
        time.sleep(31)
        began = time.monotonic()
        result = rig.run(rig.BIN / "launcher.exe", self.document(), extra_env={"KOL_EXIT": "6"})
        took = time.monotonic() - began
        first.join()
        self.assertEqual(6, result.exit_code, result)
        self.assertEqual(1, len(result.calls))
        self.assertLess(took, 8, "the start waited for the first one's window")

    def test_a_mark_that_nobody_gives_up_bounds_the_wait_in_time(self):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        rig.reg_set(PORT_KEY, "ServerPort", "dword", str(port))
        holder = rig.start(rig.HELPERS / "holdevent.exe",
                           f"Global\\Kol machine starting on port {port}", 60000,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        try:
            self.assertEqual("held\n", holder.stdout.readline(), holder.args)
            began = time.monotonic()
            result = rig.run(rig.BIN / "launcher.exe", "-acommand open",
                             extra_env={"KOL_EXIT": "5"}, timeout_ms=60000)
            took = time.monotonic() - began
        finally:
            holder.kill()
            holder.communicate(timeout=30)
        self.assertEqual(5, result.exit_code, result)
        self.assertEqual("-acommand open", result.call["commandLine"])
        self.assertGreater(took, 29)
        self.assertLess(took, 35)


if __name__ == "__main__":
    rig.main()
