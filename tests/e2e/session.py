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
# Every Windows program starts under the Wine loader of its own architecture, as Windows
# starts it, never through Debian's `wine` front: that one takes the 32-bit loader
# whenever 32-bit Wine is installed, even for a 64-bit program, and names it in
# WINELOADER for every process started after. A 64-bit program then runs differently: a
# launcher path of over 520 characters overflows the 32-bit loader's stack, and Ctrl+C
# never reaches a console handler. Wine itself starts each child under its own loader,
# from the one that WINELOADER names.
WINE64 = pathlib.Path("/usr/lib/wine/wine64")
WINE32 = pathlib.Path("/usr/lib/wine/wine")  # Debian's wine32:i386
WINESERVER = pathlib.Path("/usr/lib/wine/wineserver64")  # serves both loaders
LOADERS = {0x8664: WINE64, 0x14C: WINE32}  # by the PE header's machine
# The mark of a prefix made while 32-bit Wine was there.
WOW64_MARK = PREFIX / "kol-wine32"
# Where Debian's fronts (`wine`, and `wineboot` and the like, which call it) are shadowed:
# a test that reaches for them fails at once.
NO_FRONT = ROOT / "build" / "e2e" / "no-wine-front"
SCREEN = "240x320x24"
# A test that can't run here (see SKIPPED_32BIT) exits with this code; CTest reports it
# as skipped, never as passed.
SKIP_CODE = 77


def why_32bit_programs_cant_run(probe=ROOT / "tools" / "runs_32bit.sh", wine32=WINE32):
    """None when 32-bit Wine runs here, else the reason."""
    if subprocess.run(["sh", str(probe)]).returncode != 0:
        return "this machine runs no 32-bit programs"
    if not wine32.exists():
        return "32-bit Wine (wine32:i386) isn't installed: make deps installs it"
    return None


WHY_NO_32BIT = why_32bit_programs_cant_run()
WINE32_RUNS = WHY_NO_32BIT is None
SKIPPED_32BIT = BUILD.name == "win32" and WHY_NO_32BIT


def machine_of(program):
    """The machine field of a Windows program's PE header."""
    with open(program, "rb") as image:
        header = image.read(4096)
    offset = int.from_bytes(header[0x3C:0x40], "little") if header[:2] == b"MZ" else 0
    if not offset or header[offset:offset + 4] != b"PE\0\0":
        raise ValueError(f"{program} is not a Windows program")
    return int.from_bytes(header[offset + 4:offset + 6], "little")


def loader_for(program):
    """The Wine loader of program's architecture. Wine's own programs, named bare
    ("regedit"), run as the prefix's own: 64-bit."""
    if os.sep not in str(program) and not os.path.exists(program):
        return WINE64
    machine = machine_of(program)
    if machine not in LOADERS:
        raise ValueError(f"{program}: no Wine loader here for machine 0x{machine:04X}")
    if LOADERS[machine] == WINE32 and not WINE32_RUNS:
        raise RuntimeError(f"{program} is a 32-bit program, and {WHY_NO_32BIT}")
    return LOADERS[machine]


def wine_command(program, args, env):
    """The command and environment that start program under its own loader."""
    loader = loader_for(program)
    return [str(loader), str(program), *map(str, args)], dict(env, WINELOADER=str(loader))


def _shadow_wine_fronts():
    NO_FRONT.mkdir(parents=True, exist_ok=True)
    for front in ("wine", "wine-stable"):
        script = NO_FRONT / front
        if not script.exists():
            script.write_text("#!/bin/sh\necho \"Debian's wine front picks the 32-bit loader "
                              "even for 64-bit programs: start Windows programs with "
                              "session.wine_command\" >&2\nexit 127\n")
            script.chmod(0o755)


def wine_env(display):
    _shadow_wine_fronts()
    env = dict(os.environ)
    env.update(
        WINEPREFIX=str(PREFIX),
        WINEDEBUG="-all",
        # No .NET or HTML installers, and no desktop integration of registered file types.
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
        DISPLAY=f":{display}",
        WINESERVER=str(WINESERVER),
        PATH=f"{NO_FRONT}{os.pathsep}{os.environ.get('PATH', '')}",
    )
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
    command, boot_env = wine_command("wineboot", ["-i"], env)
    subprocess.run(command, env=boot_env, timeout=300, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([str(WINESERVER), "-w"], env=env, timeout=120)
    if WINE32_RUNS:
        WOW64_MARK.write_text("made with 32-bit Wine installed\n")


def configure_prefix(env):
    """A crash must end the process, not wait for someone to close Wine's crash dialog."""
    regtool = BUILD / "e2e-helpers" / "regtool.exe"
    if regtool.exists():
        command, regtool_env = wine_command(
            regtool, ["set", "HKCU\\Software\\Wine\\WineDbg", "ShowCrashDialog", "dword", "0"], env)
        subprocess.run(command, env=regtool_env, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def up():
    state = load_state()
    if state:
        return state
    xvfb, display = start_screen()
    env = wine_env(display)
    ensure_prefix(env)
    # The persistent server outlives this script: it must not hold CTest's output pipes.
    subprocess.run([str(WINESERVER), "-p"], env=env, timeout=60, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    configure_prefix(env)
    state = {"xvfb": xvfb, "display": display}
    STATE.parent.mkdir(parents=True, exist_ok=True)
    STATE.write_text(json.dumps(state))
    return state


def down():
    state = load_state()
    if state:
        subprocess.run([str(WINESERVER), "-k"], env=wine_env(state["display"]), timeout=60)
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
