#!/usr/bin/env python3
"""Reproducible builds: a target made again by the build, from the same sources, gives the
same bytes. Each target's file is removed, and so are the objects named with it, which
the build then compiles again; the new file is compared with the old, byte for byte.

    check_reproducible.py BUILD_DIR (TARGET FILE OBJECTS)...

OBJECTS: the target's own objects to compile again, separated by ";" as CMake's
$<TARGET_OBJECTS> gives them, or "-" to link it again only."""
import pathlib
import subprocess
import sys


def differences(old, new):
    """The first few offsets at which two files differ, and their lengths."""
    offsets = [i for i in range(min(len(old), len(new))) if old[i] != new[i]]
    return f"sizes {len(old)} and {len(new)}, differing at offsets {offsets[:8]}"


def main():
    build = sys.argv[1]
    groups = [sys.argv[i:i + 3] for i in range(2, len(sys.argv), 3)]
    before = {}
    for target, file, objects in groups:
        before[target] = pathlib.Path(file).read_bytes()
        for path in [file] + ([] if objects == "-" else objects.split(";")):
            pathlib.Path(path).unlink()
    targets = [target for target, _, _ in groups]
    made = subprocess.run(["cmake", "--build", build, "--target", *targets],
                          capture_output=True, text=True)
    if made.returncode != 0:
        print(made.stdout, made.stderr)
        return 1
    failed = 0
    for target, file, _ in groups:
        again = pathlib.Path(file).read_bytes()
        if again != before[target]:
            print(f"{target}: {file} differs when built again: "
                  f"{differences(before[target], again)}")
            failed = 1
        else:
            print(f"{target}: {file}: the same {len(again)} bytes")
    return failed


if __name__ == "__main__":
    sys.exit(main())
