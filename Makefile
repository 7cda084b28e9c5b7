# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps configure build test run bench format clean asan-ui

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

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
