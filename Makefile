# Top-level driver. `make` builds the Windows launcher, 32-bit and 64-bit; `make test`
# builds everything and runs every test; `make demo` runs the launcher under Wine and saves
# a screenshot. Each installs what it needs on a fresh Debian 12 machine (as root) when it
# is missing.

# 32-bit Wine comes from Debian's i386 architecture; mingw-w64-common holds the headers
# that the ARM compile check uses.
PACKAGES := cmake make g++ python3 libgtest-dev libbenchmark-dev clang libclang-rt-14-dev \
	g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
	g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 \
	mingw-w64-common wine wine64 wine32:i386 xvfb x11-apps xauth

FUZZ_SECONDS ?= 600

.PHONY: all deps win32 win64 host fuzz-build bench-build test test-host test-e2e test-fuzz demo fuzz bench clean

all: win32 win64

deps:
	@dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
	@missing=$$(for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
		echo "Installing:" $$missing; \
		apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j2

win64: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j2

host: deps
	cmake --preset host >/dev/null
	cmake --build --preset host -j2

fuzz-build: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j2

bench-build: deps win32 win64
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j2

test-host: host
	ctest --preset host -j2

# The 32-bit suite brands with the 64-bit kolbrand, so it needs both builds.
test-e2e: win32 win64
	ctest --preset win64
	ctest --preset win32

test-fuzz: fuzz-build
	ctest --preset fuzz

test: test-host test-fuzz test-e2e

demo: win64
	python3 demo/run_demo.py

fuzz: fuzz-build
	python3 fuzz/run_fuzzers.py --seconds $(FUZZ_SECONDS)

bench: bench-build
	python3 bench/run_benchmarks.py

clean:
	rm -rf build
