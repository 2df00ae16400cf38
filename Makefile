# Wraps CMake. `make demo` and `make test` set up what is missing first (scripts/setup).
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
EXAMPLE ?= examples/transactions/01-in-town-sale.xml

.PHONY: all setup configure build test demo clean

all: build

setup:
	scripts/setup

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: setup build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: setup build
	$(BUILD)/quorvel tables
	@echo
	@echo "== quorvel calc $(EXAMPLE)"
	@$(BUILD)/quorvel calc $(EXAMPLE)
	@echo

clean:
	rm -rf $(BUILD)

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
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target quorvel quorvel_tests
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest --test-dir $(TSAN_BUILD) --output-on-failure -R "SharedTables|Control|batch"
