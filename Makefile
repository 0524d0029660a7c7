# The two commands of the README, and the developer targets around them.
#   make run    install what is missing, build, start the program
#   make test   install, build, run every test (normal build, then ASan+UBSan build)
#   make bench  Google Benchmark suite        make fuzz   a short run of every fuzz target
#   make artwork-preview   PNG contact sheets of the generated artwork

JOBS      ?= $(shell nproc)
BUILD     := build
ASAN      := build-asan
FUZZB     := build-fuzz
FUZZ_SECONDS ?= 60
CMAKE_GEN := -G Ninja

.PHONY: all deps build run test test-normal test-asan bench fuzz artwork-preview clean format

all: build

deps:
	@bash scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-program $(BUILD)/bin/merrowick $(ARGS)

test: test-normal test-asan

test-normal: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

test-asan: build
	cmake -S . -B $(ASAN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DMW_SANITIZE=ON \
	      -DMW_ARTWORK=OFF -DMW_BENCH=OFF -DMW_DATA_DIR=$(CURDIR)/$(BUILD)/data \
	      -DMW_GENERATED_DIR=$(CURDIR)/$(BUILD)/generated
	cmake --build $(ASAN) -j $(JOBS)
	cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	      LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	      ctest --output-on-failure -j $(JOBS) --timeout 900

bench: build
	@for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b --benchmark_min_time=0.2 || exit 1; done

fuzz: deps
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZB) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DMW_FUZZ=ON -DMW_ARTWORK=OFF -DMW_BENCH=OFF
	cmake --build $(FUZZB) -j $(JOBS) --target fuzzers
	@bash scripts/run-fuzzers $(FUZZB)/bin $(FUZZ_SECONDS)

artwork-preview: build
	cmake --build $(BUILD) --target artwork-preview
	@echo "Contact sheets in $(BUILD)/artwork-preview/"

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZB)
