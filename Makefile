# Two commands set up everything on a fresh Debian machine:
#   make run   installs missing packages, builds, starts Kestrane on the sample station with emulated drives
#   make test  installs missing packages, builds, runs every test suite
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 30
CMAKE_FLAGS ?=

.PHONY: all deps configure build test run asan bench fuzz clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

run: build
	@bash scripts/run-kestrane.sh $(BUILD)

bench: build
	@bash scripts/run-bench.sh $(BUILD)

asan: deps
	@cmake -S . -B build-asan -G Ninja -DQV_SANITIZE=ON -DQV_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ctest --output-on-failure -j $(JOBS) -L 'unit|e2e'

# Builds every libFuzzer target with clang in build-fuzz and runs each for FUZZ_SECONDS seconds,
# keeping its corpus in build-fuzz/corpus/<target>.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQV_BUILD_FUZZ=ON -DQV_BUILD_GUI=OFF -DQV_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_targets
	@set -e; for t in build-fuzz/fuzz/fuzz_*; do \
		[ -x "$$t" ] || continue; \
		name=$$(basename $$t); mkdir -p build-fuzz/corpus/$$name; \
		echo "== $$name ($(FUZZ_SECONDS) s)"; \
		$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 build-fuzz/corpus/$$name; \
	done

clean:
	rm -rf $(BUILD) build-asan build-fuzz
