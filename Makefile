# Thin wrappers over the CMake presets. `make demo` runs the main job,
# `make test` builds every preset this machine supports and runs every suite.
SHELL := /bin/bash
JOBS ?= 2
FUZZ_SECONDS ?= 30

PACKAGES_BUILD := cmake ninja-build g++ googletest libgtest-dev
PACKAGES_TEST := $(PACKAGES_BUILD) valgrind

.PHONY: all deps deps-test build demo test test-reconfigure format

all: build

deps:
	@tools/install-deps.sh $(PACKAGES_BUILD)

deps-test:
	@tools/install-deps.sh $(PACKAGES_TEST)

build: deps
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

# Writes sample documents of each kind, two captures and a BVH and CSV of the
# first into build/demo, then inspects them with the rmf tool.
demo: build
	build/release/tools/rmf/rmf demo build/demo

# One configure, build and test run per preset. Its targets must not be
# declared .PHONY: make applies no pattern rule to a phony target, so a phony
# test-release would do nothing and pass.
test-%:
	cmake --preset $*
	cmake --build --preset $* -j $(JOBS)
	ctest --preset $* -j $(JOBS)

# Configuring again must leave every output current: generated files are
# rewritten only when their text changes, so nothing is rebuilt or relinked.
test-reconfigure:
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	@cmake --preset release >/dev/null
	@plan=$$(ninja -C build/release -n); [[ $$plan == *"no work to do"* ]] \
	  || { echo "$$plan"; echo "test-reconfigure: configuring again made work" >&2; exit 1; }

# The suites `make test` runs, in order; each part of the project adds its own.
TEST_STEPS := test-release test-reconfigure test-asan

# Runs every step, even after one fails, keeping each step's output in
# build/test-logs/<step>.log, and ends with one line "N passed, M failed".
# Test cases are counted where their runner reports them (ctest, unittest,
# the C# runner, each fuzz target as one), other steps as one case each; see
# tools/count-test-results.sh. It fails when any step failed.
test: deps-test
	@mkdir -p build/test-logs; passed=0; failed=0; failed_steps=; \
	for step in $(TEST_STEPS); do \
	  log=build/test-logs/$$step.log; \
	  $(MAKE) --no-print-directory $$step 2>&1 | tee $$log; status=$${PIPESTATUS[0]}; \
	  read -r step_passed step_failed < <(tools/count-test-results.sh $$log $$status); \
	  passed=$$((passed + step_passed)); failed=$$((failed + step_failed)); \
	  [[ $$status -eq 0 ]] || failed_steps="$$failed_steps $$step"; \
	done; \
	[[ -z "$$failed_steps" ]] || echo "failed steps:$$failed_steps"; \
	echo "$$passed passed, $$failed failed"; [[ -z "$$failed_steps" ]]

# Rewrites the files that carry the format's facts into other languages (the
# bindings' facts, the dissector's facts block, the fuzz dictionary) from the
# library's own tables; the ctest case format_facts_current fails while one
# is stale.
.PHONY: update-facts
update-facts:
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target update_format_facts

format:
	clang-format -i include/*.h src/*/*.h src/*/*.cpp tests/*.cpp tests/*.h tests/windows/*.cpp examples/*.c \
	  tools/rmf/*.cpp tools/rmf/*.h tools/rmf/*/*.cpp tools/rmf/*/*.h tools/format_facts/*.cpp \
	  fuzz/*.cpp fuzz/*.h bench/*.cpp bench/*.h packaging/tests/*.c

# --- Windows x86-64 DLL: MinGW-w64 cross build, every test run under Wine ---
PACKAGES_MINGW := gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
PACKAGES_TEST += $(PACKAGES_MINGW) wine wine64
TEST_STEPS += test-mingw
WINE_LOADER := /usr/lib/wine/wine64
MINGW_WINEPREFIX := $(CURDIR)/build/mingw/wineprefix
# Stops the step ($@) when Wine is missing.
REQUIRE_WINE = [[ -x $(WINE_LOADER) ]] || { echo "$@: Wine is missing ($(WINE_LOADER)); install the Debian packages wine and wine64" >&2; exit 1; }

.PHONY: test-mingw
# The Wine prefix is private to build/mingw; it is created headless before
# the tests start, and a Wine that cannot run a Windows program stops here.
test-mingw:
	@$(REQUIRE_WINE)
	cmake --preset mingw
	cmake --build --preset mingw -j $(JOBS)
	@sh cmake/run-under-wine.sh $(MINGW_WINEPREFIX) $(WINE_LOADER) cmd.exe /c ver \
	  || { echo "test-mingw: Wine cannot run Windows programs here; the Windows tests did not run" >&2; exit 1; }
	ctest --preset mingw -j $(JOBS)

# --- Performance: Google Benchmark program measured against the physical floor ---
# The release preset builds the benchmark program, so `make build` needs the
# package as well as `make test`.
PACKAGES_BUILD += libbenchmark-dev
PACKAGES_TEST += libbenchmark-dev
BENCH_ARGS ?= --benchmark_min_time=0.2 --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

# The peers the report compares with (oscpack, FlatBuffers): only `make bench`
# installs them; without them the benchmark still builds and marks them not run.
# Recursive, so that it also takes what later sections add to PACKAGES_BUILD.
PACKAGES_BENCH = $(PACKAGES_BUILD) liboscpack-dev libflatbuffers-dev flatbuffers-compiler

.PHONY: bench deps-bench
deps-bench:
	@tools/install-deps.sh $(PACKAGES_BENCH)

# Not a test step: timings belong to the machine. Prints every case, the peers,
# then the ratio tables and the targets, from the median of three runs of each
# case. BENCH_ARGS go to Google Benchmark.
bench: deps-bench
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target motion_bench
	build/release/bench/motion_bench $(BENCH_ARGS)

# --- C# (Mono) and Python bindings, tested against the release library ---
PACKAGES_TEST += mono-mcs mono-runtime python3 python3-numpy
TEST_STEPS += test-csharp test-python
BINDINGS_LIBRARY := $(CURDIR)/build/release/libravuna_motion_serializer.so
# Debian's interpreter, which python3-numpy serves (the NumPy array path is
# tested too), whatever python3 comes first on PATH.
BINDINGS_PYTHON ?= /usr/bin/python3

.PHONY: bindings-library test-csharp test-python
bindings-library:
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target ravuna_motion_serializer

# Compiles the two .cs files and the test program with mcs, runs it with mono.
test-csharp: bindings-library
	RAVUNA_MOTION_SERIALIZER_LIBRARY=$(BINDINGS_LIBRARY) bindings/csharp/tests/run-tests.sh

# The standard unittest runner; it ends with "OK" or "FAILED (...)".
test-python: bindings-library
	cd bindings/python && RAVUNA_MOTION_SERIALIZER_LIBRARY=$(BINDINGS_LIBRARY) \
	  $(BINDINGS_PYTHON) -m unittest discover -s tests -t . -v

# --- rmf command-line tool: inspect, encode, stats, listen, send, demo ---
# (CLI11, JSON, libpcap for capture files, libtins for packets, Asio for
# sockets). Its suites (unit tests, golden outputs, loopback send/listen)
# run in test-release and test-asan.
PACKAGES_BUILD += libcli11-dev nlohmann-json3-dev libpcap-dev libtins-dev libasio-dev pkgconf
PACKAGES_TEST += libcli11-dev nlohmann-json3-dev libpcap-dev libtins-dev libasio-dev pkgconf

# --- rmf export: its BVH read by Blender, its CSV by pandas ---
# Debian's blender, run headless, imports the BVH of the demo capture and of
# two random captures and checks every joint's head at every frame; pandas
# (Debian's python3-pandas, so Debian's /usr/bin/python3) checks the CSV
# files' dtypes and values. About ten seconds, most of it Blender's start.
PACKAGES_TEST += blender python3-pandas
TEST_STEPS += test-export

.PHONY: test-export
test-export:
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target rmf
	tools/rmf/tests/export/run_export_checks.sh build/release/tools/rmf/rmf build/export-check

# --- rmf report: the page's npm packages and its browser test ---
# uPlot (inlined into every report page) and playwright-core (the test's
# browser driver) are pinned by tools/rmf/report/package-lock.json. npm ci
# runs when node_modules is missing or older than the lock file, from the
# npm cache when it holds them, so the build works offline once fetched;
# playwright-core never downloads a browser: the test drives Debian's
# chromium.
REPORT_DIR := tools/rmf/report
REPORT_NPM_STAMP := $(REPORT_DIR)/node_modules/.package-lock.json
PACKAGES_TEST += chromium
TEST_STEPS += test-report

$(REPORT_NPM_STAMP): $(REPORT_DIR)/package.json $(REPORT_DIR)/package-lock.json
	cd $(REPORT_DIR) && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --prefer-offline --no-audit --no-fund
	@touch $@

.PHONY: deps-npm test-report report-measure
deps-npm: $(REPORT_NPM_STAMP)
deps deps-test: deps-npm

# Headless Chromium opens the report of the demo capture and of a capture
# with planted gaps, repeats, reordering and malformed packets: no console
# error, the expected counts in the DOM, the plots and a skeleton drawn.
# Screenshots: build/report-test/demo.png and planted.png.
test-report: deps-npm
	@command -v /usr/bin/chromium >/dev/null \
	  || { echo "$@: /usr/bin/chromium is missing; install the Debian package chromium" >&2; exit 1; }
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target rmf
	node $(REPORT_DIR)/tests/check_reports.mjs $(CURDIR)/build/release/tools/rmf/rmf $(CURDIR)/build/report-test

# Not a test step: timings belong to the machine. A capture of
# REPORT_FRAMES frames of the demo's 27-bone skeleton, the time and size of
# its report, and how the page responds in headless Chromium.
REPORT_FRAMES ?= 100000
report-measure: deps-npm
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target rmf
	mkdir -p build/report-measure
	build/release/tools/rmf/rmf demo build/report-measure/demo >/dev/null
	node $(REPORT_DIR)/tests/make_captures.mjs build/report-measure/demo large \
	  build/report-measure/large.pcap $(REPORT_FRAMES)
	/usr/bin/time -f "rmf report: %e s, %M KB at most" build/release/tools/rmf/rmf report \
	  build/report-measure/large.pcap -o build/report-measure/large.html
	node $(REPORT_DIR)/tests/measure_report.mjs build/report-measure/large.html

# --- Hardening: ThreadSanitizer, valgrind memcheck, libFuzzer ---
# test-tsan runs every suite of the tsan preset (the generic test-% rule).
# test-valgrind runs the unit suites and the corpus replays of the release
# build under memcheck. test-fuzz replays the corpus under the fuzz preset,
# then fuzzes each target for FUZZ_SECONDS; `make fuzz` fuzzes for
# FUZZ_LONG_SECONDS each. Crashes land in fuzz/artifacts/, new inputs in
# build/fuzz/findings/ (the committed corpus is only read).
PACKAGES_TEST += clang libclang-rt-14-dev valgrind
TEST_STEPS += test-tsan test-valgrind test-fuzz
FUZZ_TARGETS := parse_bytes round_trip mutate_documents writer_identity read_identity buffer_identity \
                capture_reader rmf_exporter
# Targets kept beside the code they fuzz: TARGET=FOLDER (sources, corpus/ and
# regressions/ there, the program in the same folder of the build tree).
# The others live in fuzz/.
FUZZ_FOLDERS := capture_reader=tools/rmf/fuzz rmf_exporter=tools/rmf/fuzz
FUZZ_FOLDER_OF_TARGET = dir=fuzz; for pair in $(FUZZ_FOLDERS); do \
	  if [[ $${pair%%=*} == $$target ]]; then dir=$${pair\#*=}; fi; done
FUZZ_LONG_SECONDS ?= 1800
VALGRIND := valgrind --error-exitcode=1 --leak-check=full --quiet
VALGRIND_SUITES := tests/unit_tests tests/api_tests motion_roundtrip

.PHONY: test-valgrind test-fuzz fuzz fuzz-build fuzz-run
test-valgrind:
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	@set -e; for suite in $(VALGRIND_SUITES); do \
	  echo "valgrind $$suite"; $(VALGRIND) build/release/$$suite; done
	@set -e; for target in $(FUZZ_TARGETS); do $(FUZZ_FOLDER_OF_TARGET); \
	  echo "valgrind replay of $$target"; \
	  $(VALGRIND) build/release/$$dir/$${target}_fuzzer $$dir/corpus/$$target \
	    $$(ls -d $$dir/regressions/$$target 2>/dev/null); done

fuzz-build:
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS) --target fuzz_targets

test-fuzz: fuzz-build
	ctest --preset fuzz -L fuzz_replay -j $(JOBS)
	@$(MAKE) --no-print-directory fuzz-run FUZZ_RUN_SECONDS=$(FUZZ_SECONDS)

fuzz: fuzz-build
	@$(MAKE) --no-print-directory fuzz-run FUZZ_RUN_SECONDS=$(FUZZ_LONG_SECONDS)

# -timeout: one input running 10 s is a hang, which the box walk's linear
# bound rules out, so it fails the run like a crash. The full log of each run
# is build/fuzz/findings/<target>.log.
fuzz-run:
	@set -e; for target in $(FUZZ_TARGETS); do $(FUZZ_FOLDER_OF_TARGET); \
	  mkdir -p build/fuzz/findings/$$target fuzz/artifacts; \
	  log=build/fuzz/findings/$$target.log; \
	  echo "fuzzing $$target for $(FUZZ_RUN_SECONDS) s"; \
	  if ! build/fuzz/$$dir/$${target}_fuzzer -max_total_time=$(FUZZ_RUN_SECONDS) -timeout=10 \
	      -rss_limit_mb=2048 -dict=fuzz/box_codes.dict -print_final_stats=1 \
	      -artifact_prefix=fuzz/artifacts/$$target- build/fuzz/findings/$$target \
	      $$dir/corpus/$$target $$(ls -d $$dir/regressions/$$target 2>/dev/null) >$$log 2>&1; then \
	    tail -n 60 $$log; echo "fuzz-run: $$target failed, input saved in fuzz/artifacts/" >&2; exit 1; \
	  fi; \
	  grep -E 'stat::number_of_executed_units|^Done' $$log; \
	done

# --- Other processors: Linux cross builds whose programs run under qemu-user ---
# test-big-endian builds the library, its test suites (the golden documents
# among them), the C example and the fuzz replays for s390x, which stores
# numbers most significant byte first, and runs them all under qemu-s390x, so
# that code assuming the host's byte order fails here. The aarch64 preset
# serves `make package`.
PACKAGES_CROSS_S390X := g++-s390x-linux-gnu qemu-user
PACKAGES_CROSS_AARCH64 := g++-aarch64-linux-gnu qemu-user
PACKAGES_TEST += $(PACKAGES_CROSS_S390X)
TEST_STEPS += test-big-endian

.PHONY: test-big-endian
test-big-endian:
	@command -v qemu-s390x >/dev/null \
	  || { echo "$@: qemu-s390x is missing; install the Debian package qemu-user" >&2; exit 1; }
	cmake --preset s390x
	cmake --build --preset s390x -j $(JOBS)
	@readelf -h build/s390x/tests/api_tests | grep 'big endian' >/dev/null \
	  || { echo "$@: build/s390x/tests/api_tests is not a big-endian program" >&2; exit 1; }
	ctest --preset s390x -j $(JOBS)

# --- Deliberate faults: every one must be caught by a suite of the release build ---
# tests/faults/inject.sh applies each fault of tests/faults/faults.txt alone,
# rebuilds and runs the suites; it fails when a fault is missed or no longer
# applies to the code. It needs a clean work tree under src/, include/,
# tools/ and bindings/, since it restores each file with git.
TEST_STEPS += test-faults

.PHONY: test-faults
test-faults:
	cmake --preset release
	cmake --build --preset release -j $(JOBS)
	tests/faults/inject.sh

# --- Release packages: `make package` writes them to dist/, test-package uses each ---
# The Windows SDK zip and the Python wheel of the MinGW build; the Linux
# tar.gz, the .deb and the manylinux wheel of the release build and of the
# aarch64 cross build (the library alone there, no rmf); the NuGet package
# of the C# binding with the Windows and x86-64 Linux libraries. The wheels
# are built with Debian's interpreter (python3-setuptools, python3-wheel, pip
# without the network); PACKAGE_PYTHON also makes test-package's venv. The
# NuGet package is compiled by mcs against mono-devel's reference assemblies
# and packed by Debian's nuget client.
PACKAGES_PACKAGE := $(PACKAGES_BUILD) $(PACKAGES_MINGW) $(PACKAGES_CROSS_AARCH64) llvm-14 dpkg-dev \
                    file gzip python3 python3-pip python3-setuptools python3-wheel mono-mcs mono-devel nuget
PACKAGES_TEST += $(PACKAGES_PACKAGE) clang-14 lld-14 lintian python3-venv mono-runtime mono-utils
TEST_STEPS += test-package
PACKAGE_PYTHON ?= /usr/bin/python3
# Time stamps inside the packages (the DLL's header, archive and wheel entries)
# are the last commit's, so the same commit gives the same files.
PACKAGE_TIME := $(shell git log -1 --format=%ct 2>/dev/null || date +%s)

.PHONY: deps-package package test-package
deps-package:
	@tools/install-deps.sh $(PACKAGES_PACKAGE)

package: deps-package
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target ravuna_motion_serializer rmf release_documents
	cmake --preset mingw
	cmake --build --preset mingw -j $(JOBS) --target ravuna_motion_serializer \
	  ravuna_motion_serializer_msvc_import_library
	cmake --preset aarch64
	cmake --build --preset aarch64 -j $(JOBS) --target ravuna_motion_serializer release_documents
	rm -rf dist
	cd build/release && SOURCE_DATE_EPOCH=$(PACKAGE_TIME) cpack
	cd build/mingw && SOURCE_DATE_EPOCH=$(PACKAGE_TIME) cpack
	cd build/aarch64 && SOURCE_DATE_EPOCH=$(PACKAGE_TIME) cpack
	SOURCE_DATE_EPOCH=$(PACKAGE_TIME) cmake --build --preset release -j $(JOBS) --target python_wheel
	SOURCE_DATE_EPOCH=$(PACKAGE_TIME) cmake --build --preset mingw --target python_wheel
	SOURCE_DATE_EPOCH=$(PACKAGE_TIME) cmake --build --preset aarch64 -j $(JOBS) --target python_wheel
	packaging/nuget/pack.sh dist build/nuget
	@ls -l dist

# Unpacks, installs and links each package in build/package-test; the Windows
# programs run under Wine in the mingw preset's prefix.
test-package: package
	@$(REQUIRE_WINE)
	JOBS=$(JOBS) packaging/tests/test-package.sh $(MINGW_WINEPREFIX) $(WINE_LOADER) $(PACKAGE_PYTHON)

# --- Wireshark dissector: tshark's reading checked field by field against rmf ---
# tools/install-deps.sh answers wireshark-common's debconf question (may users
# other than root capture?) with no. tshark warns on standard error when run as
# root, as in CI; the check ignores that line and nothing else.
PACKAGES_TEST += tshark
TEST_STEPS += test-wireshark

.PHONY: test-wireshark
test-wireshark:
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target rmf
	mkdir -p build/wireshark
	python3 tools/wireshark/tests/compare_with_rmf.py build/release/tools/rmf/rmf \
	  tools/wireshark/ravuna_motion.lua build/wireshark
