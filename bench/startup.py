#!/usr/bin/env python3
"""Start-up time under Wine: from the moment a process is created to the runtime's
KolMainW call, for the launcher against an earlier release of itself and against minimal
programs of our own doing the same job, measured side by side in one run.

Every measured start follows the same predecessor process, and the candidates take turns
in an order that rotates from round to round, since Wine starts a process faster or slower
depending on what ran just before it. The time is taken by the demo runtime from the
performance counter that the starting helper recorded just before CreateProcess. Each
figure is the launcher's time divided by the other's, paired within a round: the median
of those ratios and their quartiles.

Each architecture's launcher is measured against that architecture's floors, built by its
preset, and against RELEASE built for that architecture (both by default); one 64-bit
helper starts them all. Run as root, the whole run takes real-time priority, so that
other work on the machine (a build) doesn't spread the figures.

Usage: startup.py [--rounds N] [--arch win32|win64]... [comparison ...]
       comparisons: release, runtime, splash, splash-foreground (default: all)
"""
import argparse
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import rig  # noqa: E402

ARCHITECTURES = {"win64": "x86-64", "win32": "x86 (32-bit)"}
TOOLCHAINS = {"win64": "mingw-w64-x86_64.cmake", "win32": "mingw-w64-i686.cmake"}

# The release that every start-up change is held against: the last one measured before
# start-up got slower. Move it forward only to a commit whose launcher matched it.
RELEASE = "002248f"

# How a measured program is started: the line after its name, and whether it registers
# itself first ("+"), so that a bare start finds its registration in place.
DOCUMENT = ("x", False)          # a document opened: no registration
TAP = ("", True)                 # a tap on the icon, registration in place
TAP_REGISTERING = ("", False)    # a tap on the icon after the other program registered

LAUNCHER = ("launcher", "launcher_nosplash.exe")
RELEASED = (f"release {RELEASE}", "release_nosplash.exe")

# name: (description, start, (label, program), (label, program)); programs live in the
# bench folder.
COMPARISONS = {
    "release": (f"time to KolMainW of a document's start without a splash, against release "
                f"{RELEASE}", DOCUMENT, LAUNCHER, RELEASED),
    "release-tap": (f"time to KolMainW of a tap on the icon without a splash, registration in "
                    f"place, against release {RELEASE}", TAP, LAUNCHER, RELEASED),
    "release-tap-registering": (f"time to KolMainW of a tap on the icon without a splash that "
                                f"registers anew (the other registered last), against release "
                                f"{RELEASE}", TAP_REGISTERING, LAUNCHER, RELEASED),
    "runtime": ("time to KolMainW of a document's start without a splash", DOCUMENT,
                LAUNCHER, ("minimal loader", "minloader.exe")),
    "splash": ("time to KolMainW of a document's start with the splash painted", DOCUMENT,
               ("launcher", "launcher.exe"), ("minimal splash program", "minsplash.exe")),
    "splash-foreground": ("time to KolMainW of a document's start with the splash painted and "
                          "brought forward", DOCUMENT, ("launcher", "launcher.exe"),
                          ("minimal splash, foreground", "minsplash_fg.exe")),
}


def build_release(arch):
    """RELEASE's launcher without a splash, built for arch, and None; or None and the
    reason it can't be. Built once, from the commit's own files and build, into
    build/bench-release/RELEASE-arch/, each architecture from a source tree of its own."""
    where = rig.ROOT / "build" / "bench-release" / f"{RELEASE}-{arch}"
    program = where / "build" / "bench" / "launcher_nosplash.exe"
    if program.exists():
        return program, None
    source = where / "source"
    shutil.rmtree(source, ignore_errors=True)
    archive = subprocess.run(["git", "-C", str(rig.ROOT), "archive", RELEASE], capture_output=True)
    if archive.returncode != 0:
        return None, f"release {RELEASE} is not in this clone's history (git fetch --unshallow)"
    source.mkdir(parents=True)
    subprocess.run(["tar", "-x", "-C", str(source)], input=archive.stdout, check=True)
    # The release was built for x86-64 only; 32-bit x86 decorates the entry's C name.
    if arch == "win32":
        script = source / "cmake" / "windows.cmake"
        script.write_text(script.read_text().replace("-Wl,-e,KolEntry", "-Wl,-e,_KolEntry"))
    # A missing entry symbol is only a linker warning, after which the image starts at the
    # first byte of its code: any warning fails the build instead.
    steps = [["cmake", "-S", str(source), "-B", str(where / "build"),
              "-DCMAKE_BUILD_TYPE=MinSizeRel",
              f"-DCMAKE_TOOLCHAIN_FILE={rig.ROOT / 'cmake' / TOOLCHAINS[arch]}",
              "-DCMAKE_EXE_LINKER_FLAGS=-Wl,--fatal-warnings"],
             ["cmake", "--build", str(where / "build"), "--target", "launcher_nosplash", "-j2"]]
    for step in steps:
        completed = subprocess.run(step, capture_output=True, text=True)
        if completed.returncode != 0:
            return None, (f"release {RELEASE} did not build for {arch}:\n"
                          f"{completed.stdout[-2000:]}{completed.stderr[-2000:]}")
    return program, None


def prepare(arch):
    """A folder with the architecture's launcher, floors, release and demo runtime, and
    why any of them is missing: {program: reason}."""
    build = rig.ROOT / "build" / arch
    folder = rig.tmp_dir(f"bench-{arch}")
    for program in (build / "bench").glob("*.exe"):
        shutil.copyfile(program, folder / program.name)
    shutil.copyfile(build / "bin" / "launcher.exe", folder / "launcher.exe")
    shutil.copyfile(build / "bin" / "Kol.dll", folder / "Kol.dll")
    missing = {}
    release, why_not = build_release(arch)
    if release is not None:
        shutil.copyfile(release, folder / "release_nosplash.exe")
    else:
        missing["release_nosplash.exe"] = why_not
    return folder, missing


class StartFailed(Exception):
    """A measured program that didn't reach KolMainW."""


def measure(folder, program, start=DOCUMENT):
    """Microseconds to KolMainW: from just before CreateProcess, as a user waits from the
    tap, and from the process's creation as the system records it (as the shared probe
    times it)."""
    line, registers_first = start
    if registers_first:
        rig.run(folder / program, "+", cwd=folder, look_for_boxes=False)
    rig.run(folder / "predecessor.exe", "", cwd=folder, look_for_boxes=False)
    result = rig.run(folder / program, line, cwd=folder, look_for_boxes=False)
    if len(result.calls) != 1:
        raise StartFailed(f"{program} made {len(result.calls)} KolMainW calls, not 1 "
                          f"(exit {result.fields.get('exitHex', 'unknown')}, boxes {result.boxes})")
    return (int(result.call["elapsedMicroseconds"]),
            int(result.call["sinceCreationMicroseconds"]))


def print_ratios(heading, label_a, label_b, times_a, times_b):
    ratios = [a / b for a, b in zip(times_a, times_b)]
    low, median, high = statistics.quantiles(ratios, n=4)
    median_a, median_b = statistics.median(times_a), statistics.median(times_b)
    print(f"  {heading}: {label_a} {median_a / 1000:.2f} ms, {label_b} {median_b / 1000:.2f} ms;"
          f" median ratio {median:.3f}, quartiles {low:.3f} .. {high:.3f}; ratio of medians "
          f"{median_a / median_b:.3f}", flush=True)


def compare(folder, missing, name, rounds):
    description, start, (label_a, program_a), (label_b, program_b) = COMPARISONS[name]
    if not (folder / program_b).exists():
        print(f"{name}: skipped, {missing.get(program_b, program_b + ' not built')}", flush=True)
        return
    times = {program_a: [], program_b: []}
    try:
        for round_number in range(rounds + 2):
            order = [program_a, program_b]
            if round_number % 2:
                order.reverse()
            measured = {program: measure(folder, program, start) for program in order}
            if round_number >= 2:  # two warm-up rounds
                for program in order:
                    times[program].append(measured[program])
    except (StartFailed, RuntimeError, subprocess.TimeoutExpired) as failure:
        print(f"{name}: skipped, {failure}", flush=True)
        return
    print(f"{description}, {rounds} rounds:")
    for index, heading in enumerate(("from the tap", "from the process's creation")):
        print_ratios(heading, label_a, label_b, [t[index] for t in times[program_a]],
                     [t[index] for t in times[program_b]])


def keep_desktop(folder):
    """A window that stays for the whole run, as a user's desktop has them: without one,
    Wine's desktop process ends after each start, and every start pays for its next one.
    Returns the process, to be ended after the run."""
    log = folder / "desktop.log"
    keeper = rig.start(rig.HELPERS / "instance.exe", "KolBenchDesktop", rig.win_path(log),
                       3600 * 1000, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 30
    while not (log.exists() and log.read_text()) and time.monotonic() < deadline:
        time.sleep(0.05)
    return keeper


def take_real_time_priority():
    """Wine's processes, started from here, inherit it; without root it isn't had."""
    try:
        os.sched_setscheduler(0, os.SCHED_FIFO, os.sched_param(50))
        print("real-time priority (SCHED_FIFO 50): other work on the machine can't spread the figures")
    except (OSError, AttributeError):
        print("ordinary priority: other work on the machine spreads the figures")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=30)
    parser.add_argument("--arch", action="append", choices=list(ARCHITECTURES))
    parser.add_argument("comparisons", nargs="*", default=list(COMPARISONS))
    args = parser.parse_args()
    if args.rounds < 2:
        parser.error("--rounds: at least 2, for quartiles")
    take_real_time_priority()
    for arch in args.arch or list(ARCHITECTURES):
        print(f"== {ARCHITECTURES[arch]} (build/{arch})", flush=True)
        if arch == "win32" and not rig.session.WINE32_RUNS:
            print(f"every comparison skipped: {rig.session.WHY_NO_32BIT}", flush=True)
            continue
        folder, missing = prepare(arch)
        keeper = keep_desktop(folder)
        try:
            for name in args.comparisons:
                compare(folder, missing, name, args.rounds)
        finally:
            keeper.kill()
            keeper.wait(timeout=30)


if __name__ == "__main__":
    main()
