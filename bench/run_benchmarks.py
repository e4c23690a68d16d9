#!/usr/bin/env python3
"""`make bench`: the host benchmarks (Google Benchmark), then start-up under Wine."""
import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent


def main():
    status = 0
    for bench in sorted((ROOT / "build" / "bench" / "bin").glob("*_bench")):
        print("==", bench.name, flush=True)
        status |= subprocess.run([str(bench)]).returncode
    print("== start-up under Wine", flush=True)
    status |= subprocess.run([sys.executable, str(ROOT / "bench" / "startup.py"), *sys.argv[1:]]).returncode
    return status


if __name__ == "__main__":
    sys.exit(main())
