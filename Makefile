# The one front door: make build, make test, make test-sanitize.
JOBS ?= $(shell nproc)
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
CTEST_FLAGS ?= --output-on-failure -j $(JOBS) --timeout 600

.PHONY: deps build test test-sanitize configure configure-sanitize clean

deps:
	@scripts/install-deps

$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(SANITIZE_DIR)/build.ninja: | deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOM_SANITIZE=ON

configure: deps $(BUILD_DIR)/build.ninja
configure-sanitize: deps $(SANITIZE_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest $(CTEST_FLAGS)

test-sanitize: configure-sanitize
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest $(CTEST_FLAGS)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
