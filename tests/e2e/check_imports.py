#!/usr/bin/env python3
"""The launcher depends on no DLL beyond Windows' own: lists each executable's imports
with objdump and fails on any other."""
import pathlib
import re
import subprocess
import sys

ALLOWED = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "ws2_32.dll", "msvcrt.dll"}


def imports(path):
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(path)], capture_output=True,
                          text=True, check=True).stdout
    return {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}


def main():
    failed = 0
    for path in map(pathlib.Path, sys.argv[1:]):
        found = imports(path)
        extra = sorted(found - ALLOWED)
        print(f"{path.name}: {', '.join(sorted(found))}")
        if extra:
            print(f"  not Windows' own: {', '.join(extra)}")
            failed += 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
