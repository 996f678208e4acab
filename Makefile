# Two commands do all set-up on a fresh Debian 12 machine:
#   make run    installs what is missing, builds, runs the program
#   make test   the same, then the whole suite
BUILD ?= build
JOBS ?= 2
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=

.PHONY: run test test-sanitize build deps bench install uninstall package clean fuzz

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMVEL_WERROR=ON $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build fuzz
	tests/desktop.sh ctest --test-dir $(BUILD) --output-on-failure

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer (CI runs it after `make test`).
test-sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRIMVEL_WERROR=ON -DBRIMVEL_SANITIZE=ON
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		tests/desktop.sh ctest --test-dir $(BUILD)-sanitize --output-on-failure

# The INI layer under libFuzzer for a bounded time; the full log stays in $(BUILD)/fuzz.log.
fuzz: deps
	@mkdir -p $(BUILD)
	@echo "Fuzzing the INI layer for $(FUZZ_SECONDS) s (log: $(BUILD)/fuzz.log)"
	@FUZZ_BUILD=$(BUILD)/fuzz tests/fuzz/run.sh $(FUZZ_SECONDS) >$(BUILD)/fuzz.log 2>&1 \
		|| { tail -n 60 $(BUILD)/fuzz.log; echo "fuzzing found a fault"; exit 1; }
	@grep -E '^Done|#[0-9]+.*DONE' $(BUILD)/fuzz.log | tail -n 2 || true

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
# Qt window, printed as a table with budgets (see bench/run.sh; it reports and does not fail on a miss).
bench: deps
	@BENCH_BUILD=$(CURDIR)/$(BUILD)-bench JOBS=$(JOBS) bench/run.sh

clean:
	rm -rf $(BUILD)
