#!/usr/bin/env python3
"""The end-to-end tests' environment: an Xvfb screen of 240x320x24 (a device-sized
screen) and a persistent wineserver on a private Wine prefix under build/.

  session.py up     start both (idempotent); creates the prefix on first use
  session.py down   end the Wine processes of the private prefix and the screen
"""
import json
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("KOL_BUILD_DIR", ROOT / "build" / "win64"))
STATE = ROOT / "build" / "e2e" / "session.json"
PREFIX = ROOT / "build" / "wine"
# Debian's 32-bit Wine (wine32:i386), and the mark of a prefix made while it was there.
WINE32 = pathlib.Path("/usr/lib/wine/wine")
WINE64 = pathlib.Path("/usr/lib/wine/wine64")
WOW64_MARK = PREFIX / "kol-wine32"
SCREEN = "240x320x24"
# A test that can't run here (see SKIPPED_32BIT) exits with this code; CTest reports it
# as skipped, never as passed.
SKIP_CODE = 77


def _can_run_32bit_programs():
    """A kernel without 32-bit emulation (ia32_emulation=off) can't start 32-bit Wine."""
    if not WINE32.exists():
        return False
    try:
        subprocess.run([str(WINE32), "--version"], capture_output=True, timeout=30)
    except OSError:
        return False
    return True


WINE32_RUNS = _can_run_32bit_programs()
# Debian's `wine` starts 32-bit Wine whenever it is installed, and so fails where it can't
# run: 64-bit Wine is then started directly, and runs 64-bit programs only.
WINE = "wine" if WINE32_RUNS or not WINE64.exists() else str(WINE64)
SKIPPED_32BIT = (BUILD.name == "win32" and not WINE32_RUNS and
                 "32-bit Wine can't run on this machine (its kernel runs no 32-bit programs)")


def wine_env(display):
    env = dict(os.environ)
    env.update(
        WINEPREFIX=str(PREFIX),
        WINEDEBUG="-all",
        # No .NET or HTML installers, and no desktop integration of registered file types.
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
        DISPLAY=f":{display}",
    )
    if WINE != "wine":
        env["WINELOADER"] = WINE
    return env


def load_state():
    try:
        state = json.loads(STATE.read_text())
    except (OSError, ValueError):
        return None
    try:
        os.kill(state["xvfb"], 0)
    except OSError:
        return None
    return state


def start_screen():
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN, "-nolisten", "tcp"],
        pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    number = b""
    deadline = time.time() + 30
    while not number.endswith(b"\n") and time.time() < deadline:
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip():
        xvfb.kill()
        raise RuntimeError("Xvfb did not report its display")
    return xvfb.pid, int(number)


def ensure_prefix(env):
    """Creates the prefix on first use. A prefix made before 32-bit Wine was installed
    starts no program at all afterwards ("could not load kernel32.dll"), so one without
    the mark of 32-bit Wine is made anew once it is there."""
    if (PREFIX / "system.reg").exists() and (WOW64_MARK.exists() or not WINE32_RUNS):
        return
    shutil.rmtree(PREFIX, ignore_errors=True)
    PREFIX.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run([WINE, "wineboot", "-i"], env=env, timeout=300, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env, timeout=120)
    if WINE32_RUNS:
        WOW64_MARK.write_text("made with 32-bit Wine installed\n")


def configure_prefix(env):
    """A crash must end the process, not wait for someone to close Wine's crash dialog."""
    regtool = BUILD / "e2e-helpers" / "regtool.exe"
    if regtool.exists():
        subprocess.run([WINE, str(regtool), "set", "HKCU\\Software\\Wine\\WineDbg",
                        "ShowCrashDialog", "dword", "0"], env=env, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def up():
    state = load_state()
    if state:
        return state
    xvfb, display = start_screen()
    env = wine_env(display)
    ensure_prefix(env)
    # The persistent server outlives this script: it must not hold CTest's output pipes.
    subprocess.run(["wineserver", "-p"], env=env, timeout=60, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    configure_prefix(env)
    state = {"xvfb": xvfb, "display": display}
    STATE.parent.mkdir(parents=True, exist_ok=True)
    STATE.write_text(json.dumps(state))
    return state


def down():
    state = load_state()
    if state:
        subprocess.run(["wineserver", "-k"], env=wine_env(state["display"]), timeout=60)
        try:
            os.kill(state["xvfb"], signal.SIGTERM)
        except OSError:
            pass
    try:
        STATE.unlink()
    except OSError:
        pass


if __name__ == "__main__":
    if SKIPPED_32BIT:
        print("skipped:", SKIPPED_32BIT)
        sys.exit(SKIP_CODE)
    command = sys.argv[1] if len(sys.argv) > 1 else "up"
    if command == "up":
        print("session:", up())
    elif command == "down":
        down()
    else:
        sys.exit("usage: session.py up|down")
