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

# --- WebAssembly build and its tests (wasm/) ----------------------------------------------------
WASM_BUILD ?= build-wasm
# Debian's Emscripten runs its JavaScript optimiser with node, which needs the system's modules.
EMSCRIPTEN_ENV = NODE_PATH=/usr/share/nodejs

.PHONY: wasm wasm-test wasm-bench wasm-clean
test: wasm-test
clean: wasm-clean

# wasm/dist/quorvel.js, from the engine's sources and Debian's pugixml source package.
wasm:
	scripts/fetch-pugixml
	$(EMSCRIPTEN_ENV) emcmake cmake -S . -B $(WASM_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DQUORVEL_BUILD_CLI=OFF -DQUORVEL_BUILD_TESTS=OFF \
	  -DQUORVEL_PUGIXML_SOURCE_DIR=$(CURDIR)/third_party/pugixml
	$(EMSCRIPTEN_ENV) cmake --build $(WASM_BUILD) -j $(JOBS)

# Node tests (compared with $(BUILD)/quorvel) and the browser test (Debian's chromium).
wasm-test: setup build wasm
	cd wasm && QUORVEL_BUILD_DIR=$(abspath $(BUILD)) node --test test/*.test.js

# CalcTaxes in WebAssembly beside the native figure.
wasm-bench: build wasm
	node wasm/bench/calc_taxes.js

wasm-clean:
	rm -rf $(WASM_BUILD) wasm/dist
