# The set-up commands: `make run`, `make test` and `make package`. They install what is missing
# first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps configure build test run bench package format clean asan-ui ci-deps asan \
  tsan cross fuzz-build fuzz fuzz-replay

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

run: build
	@if [ -x $(BUILD)/app/quernix ]; then $(BUILD)/app/quernix; \
	else $(BUILD)/cli/quernsum -a md5 README.md; fi

bench: build
	bash scripts/install-deps.sh bench
	bash bench/run.sh $(BUILD)

package: build
	cmake --build $(BUILD) --target package

# The window's tests under AddressSanitizer with UndefinedBehaviorSanitizer, in a build folder
# of their own. Only what Qt WebEngine does inside its own libraries is left out: its leaks and
# fontconfig's (tests/ui/webengine.supp) and its sized deletes (tests/ui/ui_test_main.h).
# Allocation stacks are unwound in full, so that a leak is put down to the library that made it.
ASAN_UI_BUILD ?= build-asan-ui

asan-ui: deps
	cmake -S . -B $(ASAN_UI_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUERNIX_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
	cmake --build $(ASAN_UI_BUILD) -j$(JOBS) --target ui_tests
	cd $(ASAN_UI_BUILD) && ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/ui/webengine.supp UBSAN_OPTIONS=print_stacktrace=1 \
	  QT_QPA_PLATFORM=offscreen ctest -L ui --output-on-failure -j$(JOBS)

# The checks CI runs after `make test`, each in a build folder of its own: the engine,
# quernsum and their tests (never the window) under AddressSanitizer with
# UndefinedBehaviorSanitizer; the engine's tests and the parallel layer's (tests/hash,
# tests/parallel) under ThreadSanitizer; the engine, quernsum and their tests built for aarch64
# and run under qemu-user; and the fuzz targets, for a while (`make fuzz`) or over their
# committed corpus only (`make fuzz-replay`).
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
CROSS_BUILD ?= build-aarch64
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
CHECK_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUERNIX_GUI=OFF -DQUERNIX_BENCH=OFF
# The two tests that read a sparse file of over 4 GiB take half a minute each, nearly all of it
# in the kernel handing out zeros. `make test` runs them, and so does `make tsan`, where the
# BLAKE3 one is the only test whose threads reuse the ring of finished pieces many times over;
# under AddressSanitizer and qemu they would only repeat that run, slower.
SPARSE_4GIB_TESTS = Blake3File\.SparseFileOver4GiB$$|HashFileTest\.SlowSparseFileOver4GiB$$

ci-deps:
	bash scripts/install-deps.sh ci

# The sanitizers' own SIGBUS handlers would take the faults that the engine's handler passes
# on (a bus error outside the engine's views) and end the program with a report and an exit
# status, where a test expects it to die of SIGBUS as it does in a normal build: the engine
# handles SIGBUS itself, so the sanitizers leave that signal alone (handle_sigbus=0).
asan: ci-deps
	cmake -S . -B $(ASAN_BUILD) $(CHECK_FLAGS) -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
	cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=handle_sigbus=0:detect_leaks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j$(JOBS) \
	  -E '^($(SPARSE_4GIB_TESTS))'

tsan: ci-deps
	cmake -S . -B $(TSAN_BUILD) $(CHECK_FLAGS) -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer"
	cmake --build $(TSAN_BUILD) -j$(JOBS) --target quernix_tests_hash quernix_tests_parallel
	cd $(TSAN_BUILD) && TSAN_OPTIONS=halt_on_error=1:handle_sigbus=0 \
	  ctest --output-on-failure -j$(JOBS) -L '^(hash|parallel)$$'

# GoogleTest for aarch64 is built from Debian's source package with the cross compiler. The
# death test that checks a foreign SIGBUS still ends the program is left out: GoogleTest's
# threadsafe death tests start the test program again with execv, and the kernel can only run
# an aarch64 program through qemu when binfmt_misc is set up, which a CI container lacks. The
# test of a mapping refused for want of address space is left out under the ways that map:
# qemu-user reserves the guest's address space up front, so RLIMIT_AS never refuses a guest
# mapping there (the way that only reads runs).
cross: ci-deps
	cmake -S /usr/src/googletest -B $(CROSS_BUILD)/googletest -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/aarch64-linux-gnu.cmake -DBUILD_GMOCK=OFF \
	  -DCMAKE_INSTALL_PREFIX=$(CURDIR)/$(CROSS_BUILD)/googletest-install
	cmake --build $(CROSS_BUILD)/googletest -j$(JOBS) --target install
	cmake -S . -B $(CROSS_BUILD)/quernix -DCMAKE_BUILD_TYPE=Release -DQUERNIX_GUI=OFF \
	  -DQUERNIX_BENCH=OFF -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/aarch64-linux-gnu.cmake \
	  -DGTest_DIR=$(CURDIR)/$(CROSS_BUILD)/googletest-install/lib/cmake/GTest
	cmake --build $(CROSS_BUILD)/quernix -j$(JOBS)
	cd $(CROSS_BUILD)/quernix && ctest --output-on-failure -j$(JOBS) \
	  -E '^($(SPARSE_4GIB_TESTS)|MappedFiles\.OtherFaultsStillEndTheProgram$$|Ways/Reading\.FailedMappingFallsBackToReading/(auto|map) )'

FUZZ_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUERNIX_GUI=OFF -DQUERNIX_BENCH=OFF \
  -DQUERNIX_TESTS=OFF -DQUERNIX_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all"
FUZZ_TARGETS = $(basename $(notdir $(wildcard tests/fuzz/*.cpp)))

fuzz-build: ci-deps
	cmake -S . -B $(FUZZ_BUILD) $(FUZZ_FLAGS)
	cmake --build $(FUZZ_BUILD) -j$(JOBS) --target quernix_fuzz

# Every target once over its committed corpus, tests/fuzz/corpus/<target>/.
fuzz-replay: fuzz-build
	cd $(FUZZ_BUILD) && ctest --output-on-failure -j$(JOBS)

# Every target for FUZZ_SECONDS, starting from its committed corpus. New inputs go to
# $(FUZZ_BUILD)/corpus/<target>/ and a failing input to $(FUZZ_BUILD)/artifacts/<target>/.
fuzz: fuzz-build
	set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t $(FUZZ_BUILD)/artifacts/$$t; \
	  $(FUZZ_BUILD)/tests/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/artifacts/$$t/ $(FUZZ_BUILD)/corpus/$$t \
	    $$(test -d tests/fuzz/corpus/$$t && echo tests/fuzz/corpus/$$t); \
	done

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
