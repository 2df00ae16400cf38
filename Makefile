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
