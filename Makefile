# Two commands do all set-up on a fresh Debian 12 machine:
#   make run    installs what is missing, builds, runs the program
#   make test   the same, then the whole suite
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=

.PHONY: run test build deps bench install uninstall clean fuzz

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMVEL_WERROR=ON $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

test: build
	tests/desktop.sh ctest --test-dir $(BUILD) --output-on-failure

clean:
	rm -rf $(BUILD)
