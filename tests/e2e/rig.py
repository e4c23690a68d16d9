"""The end-to-end tests' toolkit: runs the real launcher and helper programs under Wine,
reads and writes Wine's registry exactly, reads what the demo runtime logged, and takes
screenshots of the Xvfb screen.

A test module imports this, subclasses WineTestCase and ends with `rig.main()`. Under
CTest the session (Xvfb + wineserver) is started once by session.py; a module run on its
own starts and ends a session of its own.
"""
import atexit
import os
import pathlib
import shutil
import struct
import subprocess
import threading
import time
import unittest
import zlib

import session

if session.SKIPPED_32BIT:
    print("skipped:", session.SKIPPED_32BIT)
    raise SystemExit(session.SKIP_CODE)

ROOT = session.ROOT
BUILD = session.BUILD
BIN = BUILD / "bin"
# kolbrand is built for x86-64 only, and brands launchers of both architectures.
KOLBRAND = ROOT / "build" / "win64" / "bin" / "kolbrand.exe"
# This build's processor, as kolbrand --list names it.
ARCHITECTURE = "x86 (32-bit)" if BUILD.name == "win32" else "x64 (64-bit)"
HELPERS = BUILD / "e2e-helpers"
VARIANTS = BUILD / "variants"
TMP = ROOT / "build" / "e2e" / "tmp"

_state = None


def _session():
    global _state
    if _state is None:
        _state = session.load_state()
        if _state is None:
            _state = session.up()
            atexit.register(session.down)
    return _state


def env():
    """The environment for a Wine program in the test session."""
    return session.wine_env(_session()["display"])


def display():
    return f":{_session()['display']}"


def win_path(path):
    """Wine's name for a host path (drive Z: is the host's root); a text that names a
    Windows path already (C:\\...) is that path."""
    if isinstance(path, str) and path[1:3] == ":\\":
        return path
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def tmp_dir(name):
    """A fresh, empty folder for one test."""
    path = TMP / name
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


# What Wine's start.exe prints when its ShellExecuteEx fails before the program runs at
# all: now and then, under load, with "Internal error".
WINE_START_FAILED = "Application could not be started"


def _command(program, args, extra_env):
    run_env = env()
    run_env.update(extra_env or {})
    return session.wine_command(program, args, run_env)


def start(program, *args, extra_env=None, **popen):
    """Starts a Windows program under the Wine loader of its own architecture (Wine's own
    programs, named bare, as 64-bit ones); returns the Popen. Tests start every Windows
    program through this or wine(): Debian's `wine` front is shadowed in their PATH."""
    command, run_env = _command(program, args, extra_env)
    return subprocess.Popen(command, env=run_env, **popen)


def wine(program, *args, timeout=60, extra_env=None, cwd=None):
    """Runs a Windows program as start() does (in cwd when given); returns the
    CompletedProcess (text output). A start that Wine itself failed is tried again, as
    the program never ran."""
    command, run_env = _command(program, args, extra_env)
    for attempt in range(3):
        completed = subprocess.run(command, env=run_env, cwd=cwd, capture_output=True,
                                   timeout=timeout, text=True, encoding="utf-8", errors="replace")
        if completed.returncode == 0 or WINE_START_FAILED not in completed.stdout + completed.stderr:
            return completed
        time.sleep(0.5)
    return completed


class Result:
    """What a run of the launcher (or any program) came to."""

    def __init__(self, output, log_path, trace=""):
        self.output = output
        self.trace = trace  # Wine's debug output, of the channels that WINEDEBUG names
        self.fields = {}
        self.boxes = []
        caption = None
        for line in output.splitlines():
            key, _, value = line.partition("=")
            if key == "box.caption":
                caption = value
            elif key == "box.text":
                self.boxes.append((caption, value))
            else:
                self.fields[key] = value
        self.timed_out = self.fields.get("timeout") == "1"
        self.exit_code = int(self.fields["exit"]) if "exit" in self.fields else None
        self.calls = read_runtime_log(log_path)

    @property
    def call(self):
        """The single KolMainW call; fails the test when there was none or several."""
        assert len(self.calls) == 1, f"expected one runtime call, got {len(self.calls)}: {self.output}"
        return self.calls[0]

    def __repr__(self):
        return f"Result(exit={self.exit_code}, boxes={self.boxes}, calls={self.calls})"


def read_runtime_log(path):
    """The demo runtime's log: one dict per KolMainW call."""
    calls = []
    try:
        text = pathlib.Path(path).read_text(encoding="utf-8")
    except OSError:
        return calls
    for line in text.splitlines():
        key, _, value = line.partition("=")
        if key == "call":
            calls.append({})
        elif calls:
            calls[-1][key] = value
    return calls


def units(text):
    """The demo runtime's "...Units" form of a text: UTF-16 code units in hex."""
    data = text.encode("utf-16-le")
    return " ".join(f"{data[i] | data[i + 1] << 8:04X}" for i in range(0, len(data), 2))


_run_count = 0


def run(program, args="", raw=None, cwd=None, extra_env=None, timeout_ms=20000,
        keep_boxes=False, look_for_boxes=True):
    """Starts program under Wine with the exact command line '"program" ' + args (or raw,
    the whole line as given), waits at most timeout_ms, answers message boxes (unless
    look_for_boxes is false: for timings, as looking loads Wine's server), and returns a
    Result with the exit code, the boxes and the runtime's log."""
    global _run_count
    _run_count += 1
    work = TMP / "runs"
    work.mkdir(parents=True, exist_ok=True)
    line_file = work / f"line{os.getpid()}_{_run_count}.txt"
    log_file = work / f"log{os.getpid()}_{_run_count}.txt"
    line_file.write_bytes((raw if raw is not None else args).encode("utf-8"))
    if log_file.exists():
        log_file.unlink()
    run_env = {"KOL_LOG": win_path(log_file), "KOL_SHOW_MS": "0"}
    run_env.update(extra_env or {})
    options = ["--timeout", str(timeout_ms)]
    if cwd is not None:
        options += ["--cwd", win_path(cwd)]
    if keep_boxes:
        options.append("--keep-boxes")
    if not look_for_boxes:
        options.append("--no-boxes")
    options += ["--raw-file" if raw is not None else "--args-file", win_path(line_file)]
    completed = wine(HELPERS / "runwait.exe", *options, win_path(program),
                     timeout=timeout_ms / 1000 + 60, extra_env=run_env)
    if completed.returncode != 0:
        raise RuntimeError(f"runwait failed: {completed.stdout} {completed.stderr}")
    return Result(completed.stdout, log_file, completed.stderr)


def run_with_screenshot(program, args="", extra_env=None, settle=0.2, timeout_ms=20000):
    """Runs program as run() does and, settle seconds after the demo runtime has written
    its log, takes a screenshot; extra_env must keep the runtime running meanwhile
    (KOL_HOLD_MS or KOL_SHOW_MS). Returns (Result, Image or None when no log came)."""
    runs = TMP / "runs"
    runs.mkdir(parents=True, exist_ok=True)
    before = set(runs.glob("log*"))
    outcome = {}
    runner = threading.Thread(
        target=lambda: outcome.update(result=run(program, args, extra_env=extra_env,
                                                 timeout_ms=timeout_ms)))
    runner.start()
    deadline = time.time() + timeout_ms / 1000
    while runner.is_alive() and time.time() < deadline and not set(runs.glob("log*")) - before:
        time.sleep(0.05)
    image = None
    if runner.is_alive():
        time.sleep(settle)
        image = screenshot()
    runner.join()
    return outcome["result"], image


def reg_set(key, name, kind, data):
    """kind: "sz", "dword" or "hex"; name "@" is the default value."""
    completed = wine(HELPERS / "regtool.exe", "set", key, name, kind, data)
    assert completed.returncode == 0, (completed.returncode, completed.stderr)


def reg_get(key, name):
    """None when absent, else a dict with type, size, hex and (for strings) text."""
    completed = wine(HELPERS / "regtool.exe", "get", key, name)
    if completed.stdout.strip() == "missing":
        return None
    value = {}
    for line in completed.stdout.splitlines():
        k, _, v = line.partition("=")
        value[k] = v
    value["type"] = int(value["type"])
    value["size"] = int(value["size"])
    return value


def reg_delete(*keys):
    wine(HELPERS / "regtool.exe", "delete", *keys)


LAUNCHER_KEYS = ("HKCR\\KolFile10", "HKCR\\.kol", "HKCU\\Software\\Classes\\KolFile10",
                 "HKCU\\Software\\Classes\\.kol", "HKLM\\Software\\Classes\\KolFile10",
                 "HKLM\\Software\\Classes\\.kol", "HKLM\\Software\\Morvane")


def clean_registry():
    """Removes everything the launcher reads or writes in the registry."""
    reg_delete(*LAUNCHER_KEYS)


def install(folder, launcher=BIN / "launcher.exe", name="launcher.exe", runtime=True):
    """Copies a launcher (and by default the demo runtime) into folder; returns its path."""
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    target = folder / name
    shutil.copyfile(launcher, target)
    if runtime:
        shutil.copyfile(BIN / "Kol.dll", folder / "Kol.dll")
    return target


def variant(name):
    """A launcher variant built by tests/e2e/variants/*.cmake."""
    return VARIANTS / name / f"{name}.exe"


class Image:
    """A screenshot: width, height and rows of (r, g, b)."""

    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels  # bytes, 3 per pixel, top-down

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def save_png(self, path):
        rows = b"".join(b"\0" + self.pixels[y * self.width * 3:(y + 1) * self.width * 3]
                        for y in range(self.height))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        png = (b"\x89PNG\r\n\x1a\n"
               + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
               + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
        pathlib.Path(path).write_bytes(png)


def screenshot():
    """The whole Xvfb screen, read with xwd."""
    data = subprocess.run(["xwd", "-root", "-silent", "-display", display()],
                          capture_output=True, timeout=30, check=True).stdout
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14], fields[15], fields[16]
    colours = fields[19]
    if bits_per_pixel not in (24, 32):
        raise RuntimeError(f"unexpected screen format: {bits_per_pixel} bits per pixel")
    size = bits_per_pixel // 8
    offset = header_size + colours * 12
    order = "little" if byte_order == 0 else "big"
    pixels = bytearray()

    def channel(value, mask):
        shift = (mask & -mask).bit_length() - 1
        return (value & mask) >> shift

    for y in range(height):
        start = offset + y * bytes_per_line
        for x in range(width):
            value = int.from_bytes(data[start + x * size: start + x * size + size], order)
            pixels += bytes((channel(value, red_mask), channel(value, green_mask),
                             channel(value, blue_mask)))
    return Image(width, height, bytes(pixels))


def read_bmp(path):
    """An uncompressed bottom-up BMP as an Image (1, 4, 8 or 24 bits per pixel)."""
    data = pathlib.Path(path).read_bytes()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    depth = struct.unpack_from("<H", data, 28)[0]
    palette = [tuple(data[54 + 4 * i: 54 + 4 * i + 3][::-1]) for i in range((offset - 54) // 4)]
    stride = (depth * width + 31) // 32 * 4
    pixels = bytearray()
    for y in range(height):
        row = data[offset + (height - 1 - y) * stride:]
        for x in range(width):
            if depth == 24:
                b, g, r = row[3 * x: 3 * x + 3]
                pixels += bytes((r, g, b))
            else:
                bit = x * depth
                index = (row[bit // 8] >> (8 - depth - bit % 8)) & ((1 << depth) - 1)
                pixels += bytes(palette[index])
    return Image(width, height, bytes(pixels))


class WineTestCase(unittest.TestCase):
    """Each test starts with none of the launcher's registry entries."""

    def setUp(self):
        clean_registry()

    def tmp(self):
        return tmp_dir(self.id().rsplit(".", 1)[-1])


def main():
    unittest.main(verbosity=2)
