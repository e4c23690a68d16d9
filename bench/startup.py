#!/usr/bin/env python3
"""Start-up time under Wine: from the moment a process is created to the runtime's
KolMainW call, for the launcher and for a minimal program of our own doing the same job,
measured side by side in one run.

Every measured start follows the same predecessor process, and the candidates alternate
in order from round to round, since Wine starts a process faster or slower depending on
what ran just before it. The time is taken by the demo runtime from the performance
counter that the starting helper recorded just before CreateProcess.

Each architecture's launcher is measured against that architecture's floors, built by its
preset (both by default); one 64-bit helper starts them all.

Usage: startup.py [--rounds N] [--arch win32|win64]... [pair ...]
       pairs: runtime, splash, splash-foreground (default: all)
"""
import argparse
import pathlib
import shutil
import statistics
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import rig  # noqa: E402

ARCHITECTURES = {"win64": "x86-64", "win32": "x86 (32-bit)"}

# pair name: (description, (label, program), (label, program)); programs live in the preset's bench folder.
PAIRS = {
    "runtime": ("time to KolMainW without a splash",
                ("launcher", "launcher_nosplash.exe"), ("minimal loader", "minloader.exe")),
    "splash": ("time to KolMainW with the splash painted",
               ("launcher", "launcher.exe"), ("minimal splash program", "minsplash.exe")),
    "splash-foreground": ("time to KolMainW with the splash painted and brought forward",
                          ("launcher", "launcher.exe"),
                          ("minimal splash, foreground", "minsplash_fg.exe")),
}


def prepare(arch):
    """A folder with the architecture's launcher, floors and demo runtime."""
    build = rig.ROOT / "build" / arch
    folder = rig.tmp_dir(f"bench-{arch}")
    for program in (build / "bench").glob("*.exe"):
        shutil.copyfile(program, folder / program.name)
    shutil.copyfile(build / "bin" / "launcher.exe", folder / "launcher.exe")
    shutil.copyfile(build / "bin" / "Kol.dll", folder / "Kol.dll")
    return folder


def measure(folder, program):
    rig.run(folder / "predecessor.exe", "", cwd=folder)
    result = rig.run(folder / program, "x", cwd=folder)
    return int(result.call["elapsedMicroseconds"])


def compare(folder, name, rounds):
    description, (label_a, program_a), (label_b, program_b) = PAIRS[name]
    if not (folder / program_b).exists():
        print(f"{name}: {program_b} not built; skipped")
        return
    times_a, times_b, ratios = [], [], []
    for round_number in range(rounds + 2):
        order = [(program_a, times_a), (program_b, times_b)]
        if round_number % 2:
            order.reverse()
        measured = {program: measure(folder, program) for program, _ in order}
        if round_number < 2:
            continue  # warm-up rounds
        times_a.append(measured[program_a])
        times_b.append(measured[program_b])
        ratios.append(measured[program_a] / measured[program_b])
    median_a = statistics.median(times_a)
    median_b = statistics.median(times_b)
    print(f"{description}, {rounds} rounds:")
    print(f"  {label_a:24} median {median_a / 1000:8.2f} ms")
    print(f"  {label_b:24} median {median_b / 1000:8.2f} ms")
    print(f"  ratio of medians {median_a / median_b:.3f}, median of paired ratios "
          f"{statistics.median(ratios):.3f}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=30)
    parser.add_argument("--arch", action="append", choices=list(ARCHITECTURES))
    parser.add_argument("pairs", nargs="*", default=list(PAIRS))
    args = parser.parse_args()
    for arch in args.arch or list(ARCHITECTURES):
        print(f"== {ARCHITECTURES[arch]} (build/{arch})", flush=True)
        folder = prepare(arch)
        for name in args.pairs:
            compare(folder, name, args.rounds)


if __name__ == "__main__":
    main()
