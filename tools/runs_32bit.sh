#!/bin/sh
# Exits 0 when this machine runs 32-bit x86 programs, 1 when it doesn't (a kernel built
# or booted without 32-bit emulation, ia32_emulation=off). It asks the kernel itself: a
# 93-byte i386 program that only calls exit(0).
probe_dir=$(dirname "$0")/../build
mkdir -p "$probe_dir" || exit 1
probe=$(mktemp "$probe_dir/runs-32bit.XXXXXX") || exit 1
trap 'rm -f "$probe"' EXIT
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\061\333\315\200' >"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null && exit 0
exit 1
