# Two commands do all set-up on a fresh Debian 12 machine:
#   make run    installs what is missing of what the program needs to build and run, builds, runs the program
#   make test   installs what is missing of that and of what the suite runs beside the program (the test
#               desktops, the Wayland compositors, the browsers, the checkers), then the whole suite (the format
#               and layer checks, the tests three at a time, fuzzing of every input from outside beside them)
BUILD ?= build
JOBS ?= 2
# Test programs run at a time: they mostly wait on the display, the sound server and real pauses, so one more
# than the cores pays off.
TEST_JOBS ?= 3
FUZZ_SECONDS ?= 90
CMAKE_FLAGS ?=

.PHONY: run test test-orca test-sanitize build-sanitize build program deps deps-test bench install uninstall package clean fuzz format-check

# What building and running the program needs (scripts/install-deps.sh says what each set holds).
deps:
	@scripts/install-deps.sh run

# ... and what the suite, the fuzzers and the benchmarks run beside it. A build folder configured before the
# Wayland libraries were there has no Wayland test helpers; it is configured again, now that they are.
deps-test:
	@scripts/install-deps.sh test
	@if [ -f $(BUILD)/build.ninja ] && ! ninja -C $(BUILD) -t query wlinput >/dev/null 2>&1; then \
		cmake $(BUILD); fi

$(BUILD)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMVEL_WERROR=ON $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# The program and what it needs to run (its pictures and sounds), without the test suite.
program: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target brimvel

run: program
	@scripts/run.sh $(BUILD)

# The suite: ctest runs $(TEST_JOBS) test executables at a time, each in its own private desktop
# (tests/desktop.sh), while every input from outside is fuzzed beside it. Fails when the format check, a test or the
# fuzzing fails.
test: deps-test build format-check
	@mkdir -p $(BUILD)
	@echo "Fuzzing the INI layer, bookmarks files, drops, the local socket's lines and the version answer for $(FUZZ_SECONDS) s beside the suite (log: $(FUZZ_LOG))"
	@$(FUZZ_RUN) & fuzz=$$!; trap 'kill $$fuzz 2>/dev/null; exit 130' INT TERM; \
	ctest --test-dir $(BUILD) --output-on-failure -j $(TEST_JOBS) -LE orca; suite=$$?; \
	wait $$fuzz; fuzzed=$$?; \
	if [ $$fuzzed -eq 0 ]; then $(FUZZ_PASSED); else $(FUZZ_FAILED); fi; \
	[ $$suite -eq 0 ] && [ $$fuzzed -eq 0 ]

# The whole suite again under AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer (CI runs it after
# `make test`); the sanitizer options and the leak suppressions (tests/lsan.supp) come with the tests.
test-sanitize: build-sanitize
	ctest --test-dir $(BUILD)-sanitize --output-on-failure -j $(TEST_JOBS)

# What the screen reader Orca says, key by key (tests/orca/test_orca.py). Not yet part of `make test`: on a
# machine whose cores are busy, Orca can still get to a spoken message after the focus has left it.
test-orca: deps-test build
	ctest --test-dir $(BUILD) --output-on-failure -L orca

# The sanitizer build alone (CI builds it beside the plain suite, at the lowest priority).
build-sanitize: deps-test
	cmake -S . -B $(BUILD)-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRIMVEL_WERROR=ON -DBRIMVEL_SANITIZE=ON
	cmake --build $(BUILD)-sanitize -j $(JOBS)

# Every input from outside under libFuzzer (tests/fuzz/run.sh), each fuzzer for its share of a bounded time;
# the full log stays in $(BUILD)/fuzz.log.
FUZZ_LOG = $(BUILD)/fuzz.log
FUZZ_RUN = FUZZ_BUILD=$(BUILD)/fuzz tests/fuzz/run.sh $(FUZZ_SECONDS) >$(FUZZ_LOG) 2>&1
FUZZ_PASSED = { grep -E '^Fuzzing \(' $(FUZZ_LOG) || true; }
FUZZ_FAILED = { tail -n 60 $(FUZZ_LOG); echo "fuzzing found a fault (log: $(FUZZ_LOG))"; }

fuzz: deps-test
	@mkdir -p $(BUILD)
	@echo "Fuzzing the INI layer, bookmarks files, drops, the local socket's lines and the version answer for $(FUZZ_SECONDS) s (log: $(FUZZ_LOG))"
	@$(FUZZ_RUN) || { $(FUZZ_FAILED); exit 1; }
	@$(FUZZ_PASSED)

# Every tracked C++ source must be as clang-format (the root .clang-format) leaves it, and no include may run
# against the layers (scripts/check-layers.py).
format-check: deps-test
	@git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
	@scripts/check-layers.py

# A per-user install with a desktop entry and icon (AUTOSTART=1: also start at log-in; AUTOSTART=0: no longer).
install: build
	@AUTOSTART="$(AUTOSTART)" scripts/install.sh $(BUILD)

# Removes what install added; your links and preferences stay.
uninstall:
	@scripts/uninstall.sh

# The Debian package $(BUILD)/brimvel_<version>_<arch>.deb (see packaging/Package.cmake).
package: build
	cmake --build $(BUILD) --target package

# Release build in $(BUILD)-bench, then start-up, memory, idle CPU, motion and hover figures set against a bare
# Qt window, printed as a table with budgets (see bench/run.sh; it reports and does not fail on a miss). It
# measures under sway too and builds the Wayland helpers for that, so it needs the test set.
bench: deps-test
	@BENCH_BUILD=$(CURDIR)/$(BUILD)-bench JOBS=$(JOBS) bench/run.sh

clean:
	rm -rf $(BUILD)
