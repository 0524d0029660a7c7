# The two commands of the README, and the developer targets around them.
#   make run    install what is missing, build, start the program
#   make test   install, build, run every test (normal build, then ASan+UBSan build)
#   make bench  Google Benchmark suite        make fuzz   a short run of every fuzz target
#   make artwork-preview   PNG contact sheets of the generated artwork
#   make install   the program, its data, desktop entry, icons, file type, man page under
#                  PREFIX (default /usr/local), staged under DESTDIR when given
#   make uninstall removes what the last `make install` put there (same DESTDIR)
#   make package   a Debian package (.deb) in build/, for /usr
#   make help-screenshots  retake the help pages' pictures from the program under Xvfb

JOBS      ?= $(shell nproc)
BUILD     := build
ASAN      := build-asan
FUZZB     := build-fuzz
FUZZ_SECONDS ?= 60
PREFIX    ?= /usr/local
DESTDIR   ?=
CMAKE_GEN := -G Ninja

.PHONY: all deps build run test test-normal test-asan bench fuzz artwork-preview clean format \
        install uninstall package help-screenshots

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

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# install_manifest.txt lists the files of the last install, without DESTDIR: give the
# same DESTDIR to uninstall a staged tree.
uninstall:
	@test -f $(BUILD)/install_manifest.txt || { echo "Nothing installed from $(BUILD)"; exit 1; }
	@while read -r f || [ -n "$$f" ]; do rm -fv "$(DESTDIR)$$f"; done < $(BUILD)/install_manifest.txt
	@sed -n 's|/share/merrowick/.*|/share/merrowick|p' $(BUILD)/install_manifest.txt | sort -u | \
	  while read -r d; do rm -rfv "$(DESTDIR)$$d"; done
	@rm -f $(BUILD)/install_manifest.txt

package: build
	cd $(BUILD) && cpack -G DEB
	@ls -l $(BUILD)/*.deb

help-screenshots: build
	scripts/help-screenshots
	cmake --build $(BUILD) -j $(JOBS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN) $(FUZZB)
