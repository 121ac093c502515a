BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
CTEST_ARGS ?=

.PHONY: all deps configure build test demo bench clean

all: build

deps:
	@scripts/install-deps

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 $(CTEST_ARGS)

demo: build
	@scripts/demo $(BUILD_DIR)

bench: build
	@set -e; for b in $(BUILD_DIR)/bin/bench_*; do [ -x "$$b" ] || continue; echo "== $$b"; "$$b"; done

clean:
	rm -rf $(BUILD_DIR)
