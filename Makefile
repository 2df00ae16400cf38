# Wraps CMake. `make demo` and `make test` set up what is missing first (scripts/setup).
# `make check` is the quick loop while editing: the native build and its tests only.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
EXAMPLE ?= examples/transactions/01-in-town-sale.xml

.PHONY: all setup configure build check test demo clean

all: build

setup:
	scripts/setup

# The engine compiles Debian's pugixml source in (its accessors then inline: see
# cmake/Dependencies.cmake); configured without QUORVEL_PUGIXML_SOURCE_DIR it links the system
# library instead, as the sanitizer build below does, so both stay built and tested.
PUGIXML_SOURCE = $(CURDIR)/third_party/pugixml

# The native release build: a compiler warning in the project's own code fails it (the sanitizer
# and WebAssembly builds below leave warnings as warnings: there GCC and Emscripten warn falsely).
configure:
	scripts/fetch-pugixml
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DQUORVEL_PUGIXML_SOURCE_DIR=$(PUGIXML_SOURCE) \
	  -DQUORVEL_WARNINGS_AS_ERRORS=ON

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The native build and its tests, for the edit-compile loop: not the Python package's tests, the
# sanitizer build nor the WebAssembly build, which `make test` adds.
check: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --label-exclude python

# Everything CI runs (.ci/run): the native tests, the Python package's, the whole suite again
# under AddressSanitizer and UndefinedBehaviorSanitizer, and the WebAssembly build in Node and a
# browser against the native tool. Each part below is also a target of its own.
test: setup check python-test test-sanitizers wasm-test

# Builds the library, the tool and its man page (when help2man is there) only: tests, fuzzers
# and benchmarks are built by the targets that run them.
demo: setup configure
	cmake --build $(BUILD) -j $(JOBS) --target quorvel $$(command -v help2man >/dev/null && echo quorvel_man)
	@$(BUILD)/quorvel --version
	$(BUILD)/quorvel tables
	@echo
	@echo "== quorvel calc $(EXAMPLE)"
	@$(BUILD)/quorvel calc $(EXAMPLE)
	@echo

clean:
	rm -rf $(BUILD) $(WASM_BUILD) wasm/dist $(ASAN_BUILD) $(COVERAGE_BUILD) $(TSAN_BUILD) build-fuzz

# --- WebAssembly build and its tests (wasm/) ----------------------------------------------------
WASM_BUILD ?= build-wasm
# Debian's Emscripten runs its JavaScript optimiser with node, which needs the system's modules.
EMSCRIPTEN_ENV = NODE_PATH=/usr/share/nodejs

.PHONY: wasm wasm-test wasm-bench

# wasm/dist/quorvel.js, from the engine's sources and Debian's pugixml source package.
wasm:
	scripts/fetch-pugixml
	$(EMSCRIPTEN_ENV) emcmake cmake -S . -B $(WASM_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DQUORVEL_BUILD_CLI=OFF -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_FUZZERS=OFF \
	  -DQUORVEL_BUILD_BENCHMARKS=OFF \
	  -DQUORVEL_PUGIXML_SOURCE_DIR=$(PUGIXML_SOURCE)
	$(EMSCRIPTEN_ENV) cmake --build $(WASM_BUILD) -j $(JOBS)

# Node tests (compared with $(BUILD)/quorvel) and the browser test (Debian's chromium).
wasm-test: setup build wasm
	cd wasm && QUORVEL_BUILD_DIR=$(abspath $(BUILD)) node --test test/*.test.js

# CalcTaxes in WebAssembly beside the native figure, on the typical document of the benchmarks.
wasm-bench: build wasm
	cmake --build $(BUILD) -j $(JOBS) --target quorvel_profile quorvel_native_calc_bench
	@$(BUILD)/quorvel_profile files $(BUILD)/wasm-bench 1
	node wasm/bench/calc_taxes.js $(BUILD)/wasm-bench/transactions/trans-000000.xml $(BUILD)/wasm-bench/tables

# ---- Hardening: sanitizers, fuzzing, coverage ----
# `make test` also builds the test suite with AddressSanitizer (LeakSanitizer included) and
# UndefinedBehaviorSanitizer in build-asan and runs it; the first report fails the run.
ASAN_BUILD ?= build-asan
SANITIZERS ?= address,undefined,float-cast-overflow
COVERAGE_BUILD ?= build-coverage
FUZZ_SECONDS ?= 60

.PHONY: test-sanitizers fuzz coverage

# Unoptimised, with line tables only for the reports' stack traces: compiling is most of this
# target's time, and -O1 with full debug information about doubles it, for tests that take
# seconds either way.
test-sanitizers: setup
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g1 -O0" \
	  -DQUORVEL_SANITIZERS=$(SANITIZERS) -DQUORVEL_BUILD_CLI=OFF -DQUORVEL_BUILD_BENCHMARKS=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# libFuzzer builds of the fuzz targets (clang, build-fuzz), each run for FUZZ_SECONDS seconds.
fuzz: setup
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) fuzz/run

# Line and branch coverage of the engine's sources (src/) by the test suite, with gcovr.
coverage: setup
	cmake -S . -B $(COVERAGE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic -O0" \
	  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DQUORVEL_BUILD_CLI=OFF
	cmake --build $(COVERAGE_BUILD) -j $(JOBS)
	find $(COVERAGE_BUILD) -name '*.gcda' -delete
	# The consumer projects test packaging, which the other builds cover; a consumer linked without
	# --coverage cannot link an instrumented library.
	ctest --test-dir $(COVERAGE_BUILD) -j $(JOBS) --exclude-regex "^consumer\\."
	gcovr --root . --filter 'src/' --exclude-throw-branches --exclude-unreachable-branches \
	  --print-summary --txt - --html-details $(COVERAGE_BUILD)/coverage.html $(COVERAGE_BUILD)
	@echo "coverage: details in $(COVERAGE_BUILD)/coverage.html"

# Benchmarks: CalcTaxes beside the parse-only floor, the load, the memory of the tables.
# BENCH_ARGS passes options to Google Benchmark (e.g. BENCH_ARGS=--benchmark_filter=CalcTaxes).
# Then `quorvel batch` on BATCH_COUNT copies of the typical transaction with 1 and 2 jobs, results
# to standard output thrown away (writing 5000 files would time the file system).
BATCH_COUNT ?= 5000
.PHONY: bench
bench: setup configure
	cmake --build $(BUILD) -j $(JOBS) --target quorvel quorvel_bench quorvel_profile
	$(BUILD)/quorvel_bench $(BENCH_ARGS)
	@$(BUILD)/quorvel_profile files $(BUILD)/batch-bench $(BATCH_COUNT)
	@for jobs in 1 2 1 2; do \
	  echo "== quorvel batch --jobs $$jobs ($(BATCH_COUNT) typical transactions) > /dev/null"; \
	  $(BUILD)/quorvel batch --jobs $$jobs --tables $(BUILD)/batch-bench/tables \
	    $(BUILD)/batch-bench/transactions > /dev/null || exit 1; \
	done

# ThreadSanitizer over the multi-threaded tests: the engine shared by many threads, and batch.
TSAN_BUILD ?= build-tsan
.PHONY: tsan
tsan: setup
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_BUILD_BENCHMARKS=OFF \
	  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target quorvel quorvel_behaviour_tests quorvel_internal_tests
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest --test-dir $(TSAN_BUILD) --output-on-failure -R "SharedTables|Control|batch"

# ---- The HTTP tax service (service/) ----
# `make loadtest`: `quorvel serve` under wrk (64 keep-alive connections) beside `quorvel batch
# --jobs 2`, then a reload storm, 300 slow clients and bad requests mixed in; prints a table.
# Not part of `make test`. LOADTEST_SECONDS is the length of each wrk run.
LOADTEST_SECONDS ?= 10
.PHONY: loadtest
loadtest: setup configure
	cmake --build $(BUILD) -j $(JOBS) --target quorvel quorvel_profile
	/usr/bin/python3 service/loadtest/loadtest.py $(BUILD) $(LOADTEST_SECONDS)

# --- Python package (python/): the extension module and the package in $(BUILD)/python --------
# For Debian's interpreter: the `python3` first on PATH may be another one without Debian's
# packages (pybind11, pytest, Dask). `make test` runs the package's tests through ctest.
PYTHON ?= /usr/bin/python3
.PHONY: python python-test python-bench

python: configure
	cmake -S . -B $(BUILD) -DQUORVEL_BUILD_PYTHON=ON -DPYBIND11_FINDPYTHON=ON -DPython_EXECUTABLE=$(PYTHON)
	cmake --build $(BUILD) -j $(JOBS) --target quorvel_python

python-test: build python
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --label-regex python

# calculate beside the native CalculateTaxes on the typical document, then 1 and 2 threads.
python-bench: python
	cmake --build $(BUILD) -j $(JOBS) --target quorvel_profile quorvel_native_calc_bench
	@$(BUILD)/quorvel_profile files $(BUILD)/python-bench 1 >/dev/null
	$(BUILD)/quorvel_native_calc_bench $(BUILD)/python-bench/tables $(BUILD)/python-bench/transactions/trans-000000.xml
	PYTHONPATH=$(BUILD)/python $(PYTHON) python/bench/calculate.py $(BUILD)/python-bench/transactions/trans-000000.xml $(BUILD)/python-bench/tables

# --- Installing the library -----------------------------------------------------------------------
# The library (static; shared with `cmake -DBUILD_SHARED_LIBS=ON`), its headers, the CMake package
# (find_package(quorvel)), quorvel.pc, the licences, the quorvel command line with its man page and
# completion, under PREFIX. Builds only what it installs (the target quorvel_installed).
PREFIX ?= /usr/local
.PHONY: install
install: configure
	cmake --build $(BUILD) -j $(JOBS) --target quorvel_installed
	cmake --install $(BUILD) --prefix $(PREFIX)
