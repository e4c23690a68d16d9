#!/usr/bin/env python3
"""Runs every fuzz target for a while (default 600 s each), one after another.

Usage: run_fuzzers.py [--seconds N] [name ...]
"""
import argparse
import os
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
BUILD = ROOT / "build" / "fuzz"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=int, default=600)
    parser.add_argument("names", nargs="*")
    args = parser.parse_args()
    names = args.names or sorted(p.stem[: -len("_fuzz")] for p in (ROOT / "fuzz").glob("*_fuzz.cpp"))
    env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0")
    failed = []
    for name in names:
        work = BUILD / "corpus" / name
        work.mkdir(parents=True, exist_ok=True)
        command = [str(BUILD / "bin" / f"{name}_fuzz"), f"-max_total_time={args.seconds}",
                   "-print_final_stats=1", str(work), str(ROOT / "fuzz" / "corpus" / name)]
        print("==", " ".join(command), flush=True)
        if subprocess.run(command, env=env).returncode != 0:
            failed.append(name)
    print("fuzz targets failed:" if failed else "all fuzz targets ran clean", " ".join(failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
