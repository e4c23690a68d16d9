# Top-level driver. `make` builds the Windows launcher, 32-bit and 64-bit; `make test`
# builds everything and runs every test; `make demo` runs the launcher under Wine and saves
# a screenshot. Each installs what it needs on a fresh Debian 12 machine (as root) when it
# is missing.

# mingw-w64-common holds the headers that the ARM compile check uses; openssl makes the
# certificate with which osslsigncode signs branded launchers in kolbrand's tests; wixl
# makes the installers of kol_add_installer.
PACKAGES := cmake make g++ python3 libgtest-dev libbenchmark-dev clang libclang-rt-14-dev \
	g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
	g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 \
	mingw-w64-common wine wine64 xvfb x11-apps xauth openssl osslsigncode wixl
# 32-bit Wine, from Debian's i386 architecture, only where the kernel runs 32-bit programs:
# elsewhere it can't run, and its packages would only be more to fetch.
PACKAGES_32BIT := wine32:i386

FUZZ_SECONDS ?= 600
# Parallel compile jobs: `make JOBS=8 test`.
JOBS ?= 2

.PHONY: all deps win32 win64 host fuzz-build bench-build test test-host test-e2e test-fuzz demo fuzz bench clean

all: win32 win64

deps:
	@if sh tools/runs_32bit.sh; then \
		dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386; \
		sh tools/install_packages.sh $(PACKAGES) $(PACKAGES_32BIT); \
	else \
		sh tools/install_packages.sh $(PACKAGES); \
	fi

win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j$(JOBS)

win64: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j$(JOBS)

host: deps
	cmake --preset host >/dev/null
	cmake --build --preset host -j$(JOBS)

fuzz-build: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j$(JOBS)

bench-build: deps win32 win64
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j$(JOBS)

# Each runs its suites to the end and prints one line per suite: passed, failed, or
# skipped and why.
test-host: host
	python3 tests/run_suites.py host

# The 32-bit suite brands with the 64-bit kolbrand, so it needs both builds.
test-e2e: win32 win64
	python3 tests/run_suites.py win32-images win32-e2e win64-images win64-e2e

test-fuzz: fuzz-build
	python3 tests/run_suites.py fuzz

test: host fuzz-build win32 win64
	python3 tests/run_suites.py

demo: win64
	python3 demo/run_demo.py

fuzz: fuzz-build
	python3 fuzz/run_fuzzers.py --seconds $(FUZZ_SECONDS)

bench: bench-build
	python3 bench/run_benchmarks.py

clean:
	rm -rf build
