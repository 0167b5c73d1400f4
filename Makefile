# Top-level entry points. `make run` starts the station, `make test` runs
# every test; both install missing Debian packages and build first.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS  ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test bench sanitize check-windows clean

all: build

deps:
	@./scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@./scripts/run-station $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@$(BUILD)/bin/cardiolane-bench

# Every test built with AddressSanitizer and UndefinedBehaviorSanitizer, leaks
# checked at exit. The build's own generator programs run without leak
# checking; tests/sanitize/lsan.supp lists the leaks inside Qt's plugins,
# which are recognised by full allocation stacks (Qt has no frame pointers).
sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCARDIOLANE_SANITIZE=ON >/dev/null
	@ASAN_OPTIONS=detect_leaks=0 cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
	    ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0:strict_string_checks=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS)

# The Windows port layer is not built on Linux: installs the cross compiler
# (not part of the default packages) and checks that layer compiles.
check-windows:
	@./scripts/install-deps --windows
	@x86_64-w64-mingw32-g++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only -I. \
	    acquisition/comportwin.cpp acquisition/comport.cpp
	@echo "Windows port layer: syntax check passed"

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
