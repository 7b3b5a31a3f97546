# Thin wrappers over the CMake presets. `make demo` runs the main job,
# `make test` builds every preset this machine supports and runs every suite.
SHELL := /bin/bash
JOBS ?= 2
FUZZ_SECONDS ?= 30

PACKAGES_BUILD := cmake ninja-build g++ googletest libgtest-dev
PACKAGES_TEST := $(PACKAGES_BUILD) valgrind

.PHONY: all deps deps-test build demo test test-release test-asan format

all: build

deps:
	@tools/install-deps.sh $(PACKAGES_BUILD)

deps-test:
	@tools/install-deps.sh $(PACKAGES_TEST)

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

demo: build
	build/release/motion_roundtrip

# One configure, build and test run per preset.
test-%:
	cmake --preset $*
	cmake --build --preset $* -j $(JOBS)
	ctest --preset $* -j $(JOBS)

# The suites `make test` runs, in order; each part of the project adds its own.
TEST_STEPS := test-release test-asan

test: deps-test
	@set -e; for step in $(TEST_STEPS); do $(MAKE) --no-print-directory $$step; done

format:
	clang-format -i include/*.h src/*/*.h src/*/*.cpp tests/*.cpp tests/*.h tests/*.c examples/*.c

# --- Performance: Google Benchmark program measured against the physical floor ---
# The release preset builds the benchmark program, so `make build` needs the
# package as well as `make test`.
PACKAGES_BUILD += libbenchmark-dev
PACKAGES_TEST += libbenchmark-dev
BENCH_ARGS ?=

.PHONY: bench
# Not a test step: timings belong to the machine. Prints every case, then the
# ratio table and the targets. BENCH_ARGS go to Google Benchmark.
bench: deps-test
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target motion_bench
	build/release/bench/motion_bench $(BENCH_ARGS)
