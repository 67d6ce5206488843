# Velisto: one entry point for building, running and checking.
#   make run       set up, build and run Velisto on the bundled demo song (in the terminal
#                  when there is no display)
#   make test      set up, build and run every test
#   make bench     build (Release) and run the benchmarks
#   make fuzz      build the libFuzzer targets with clang and run each one briefly
#   make sanitize  run the tests under AddressSanitizer and UndefinedBehaviorSanitizer

BUILD      ?= build
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 30
CMAKE_FLAGS ?=
DEMO       := resources/demo/demo.mid

.PHONY: all deps configure build run test bench fuzz sanitize tsan clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DVELISTO_WERROR=ON $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-demo $(BUILD)/src/cli/velisto-cli $(DEMO) $(BUILD) $(BUILD)/src/gui/velisto

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELISTO_BENCH=ON -DVELISTO_TESTS=OFF
	cmake --build build-bench -j $(JOBS)
	@for b in build-bench/bench/*Bench; do echo "== $$b"; $$b --benchmark_min_time=0.2 || exit 1; done

fuzz: deps
	CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVELISTO_FUZZ=ON -DVELISTO_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build-fuzz -j $(JOBS)
	@scripts/run-fuzzers build-fuzz/fuzz $(FUZZ_SECONDS)

sanitize: deps
	cmake -S . -B build-asan -G Ninja -DVELISTO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build build-asan -j $(JOBS)
	cd build-asan && LSAN_OPTIONS="suppressions=$(CURDIR)/tests/lsan.supp" ctest --output-on-failure -j $(JOBS)

tsan: deps
	cmake -S . -B build-tsan -G Ninja -DVELISTO_TSAN=ON -DCMAKE_BUILD_TYPE=Debug
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp halt_on_error=1" ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) build-bench build-fuzz build-asan build-tsan
