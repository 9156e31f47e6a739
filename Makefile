# Two commands set up everything on a fresh Debian machine:
#   make run   installs missing packages, builds, starts Kestrane on the sample station with emulated drives
#   make test  installs missing packages, builds, runs every test suite
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test run asan bench clean

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

clean:
	rm -rf $(BUILD) build-asan
