# The one front door: make build, make test, make test-sanitize, make test-clang, make fuzz,
# make demo, make demo-assessment.
JOBS ?= $(shell nproc)
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
CLANG_DIR ?= build-clang
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 4
CTEST_FLAGS ?= --output-on-failure -j $(JOBS) --timeout 600

.PHONY: deps build test test-sanitize test-clang fuzz demo demo-assessment configure configure-sanitize clean

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

# The demo game in a real window: builds the game and the demo's content, lays out its work
# and CD folders under the build folder and runs the game there, the CD on drive D:.
DEMO_DIR = $(abspath $(BUILD_DIR))/demo
demo: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target korvanix demo_layout
	cd $(DEMO_DIR)/work && OM_DRIVE_D=$(DEMO_DIR)/cd $(abspath $(BUILD_DIR))/game/korvanix

# The assessment program in a real window at 8 bits: builds it and the demo's content, lays out
# its work and install folders and registry file under the build folder and runs it there. The
# main program it starts at its end is a recorder that says so.
ASSESSMENT_DEMO_DIR = $(abspath $(BUILD_DIR))/demo-assessment
demo-assessment: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target marlovind demo_assessment_layout
	cd $(ASSESSMENT_DEMO_DIR)/work && OM_REGISTRY=$(ASSESSMENT_DEMO_DIR)/registry.txt \
	  OM_SCREEN=640x480x8 $(abspath $(BUILD_DIR))/assessment/src/marlovind

# The same suite built with clang++; line tables are enough for a failure's backtrace.
$(CLANG_DIR)/build.ninja: | deps
	cmake -S . -B $(CLANG_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"

test-clang: deps $(CLANG_DIR)/build.ninja
	cmake --build $(CLANG_DIR) -j $(JOBS)
	cd $(CLANG_DIR) && ctest $(CTEST_FLAGS)

# Every fuzz target (clang, libFuzzer with the sanitizers) for FUZZ_SECONDS each.
$(FUZZ_DIR)/build.ninja: | deps
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DOM_FUZZ=ON

fuzz: deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target om_fuzzers
	scripts/run-fuzz $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_JOBS)

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(CLANG_DIR) $(FUZZ_DIR)
