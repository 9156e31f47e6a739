# Two commands set up everything on a fresh Debian machine:
#   make run   installs missing packages, builds, starts Kestrane on the sample station with emulated drives
#   make test  installs missing packages, builds, runs every test suite
BUILD ?= build
JOBS ?= $(shell nproc)
FUZZ_RUNS ?= 1000000
FUZZ_SECONDS ?= 1200
CMAKE_FLAGS ?=

.PHONY: all deps configure build test run asan tsan bench fuzz clean

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

# ThreadSanitizer: the unit, GUI and end-to-end suites. Qt is not built for ThreadSanitizer, so the
# order its event queue gives is invisible to it; tests/tsan.supp names each report that this order
# explains, and why.
tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DQV_SANITIZE_THREAD=ON -DQV_BUILD_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	@cd build-tsan && TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1" \
		QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -L 'unit|e2e|gui'

# Builds every libFuzzer target with clang in build-fuzz and runs each for FUZZ_RUNS executions
# (at most FUZZ_SECONDS seconds), starting from the seeds in fuzz/corpus/<target> and keeping what it
# finds new in build-fuzz/corpus/<target>. A finding stops the run with the input that caused it.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQV_BUILD_FUZZ=ON -DQV_BUILD_GUI=OFF -DQV_BUILD_BENCH=OFF >/dev/null
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_targets
	@set -e; for t in build-fuzz/fuzz/fuzz_*; do \
		[ -x "$$t" ] || continue; \
		name=$$(basename $$t); mkdir -p build-fuzz/corpus/$$name fuzz/corpus/$$name; \
		echo "== $$name ($(FUZZ_RUNS) runs, at most $(FUZZ_SECONDS) s)"; \
		$$t -runs=$(FUZZ_RUNS) -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
			-artifact_prefix=build-fuzz/ build-fuzz/corpus/$$name fuzz/corpus/$$name; \
	done

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz
