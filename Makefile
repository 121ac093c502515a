BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
CTEST_ARGS ?=
CMAKE_ARGS ?=
SANITIZE ?=

# `make test SANITIZE=1`: the same suite, built with gcc under ASan and UBSan in a folder of its own.
ifneq ($(SANITIZE),)
BUILD_DIR := build-sanitize
BUILD_TYPE := Debug
CMAKE_ARGS += -DOSTRAVEN_SANITIZE=ON -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
endif

# Leaks are detected; the only ones suppressed are process-long caches of fontconfig and libdbus (fuzz/lsan.supp).
SANITIZER_ENV = \
	ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:halt_on_error=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/lsan.supp:print_suppressions=0

FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
# The sanitizer subset for CI: the suites of the code that reads outside input (values, dates, the
# statement layer, admission, the model, row insertion, the grid model) and every fuzz regression;
# the slow end-to-end suites (host scripts, statement shapes, the component object) are left out.
QUICK_TESTS ?= FuzzRegression|^(DateText|DateSerials|VariantConversions|DialectTest|SqlDialect|ProcedureTest|ConnectionTest|AdmissionTest|CircularBuffer|ZekoEventTypes[A-Za-z]*|GenericEvent[A-Za-z]*|EventColouringTest|RowInsertionTest|Utilities|Lists/InitColors|Calls/Grs|GridModelTest|ColumnList|FilterClauseTest)[.]

COVERAGE_DIR ?= build-coverage

.PHONY: all deps configure build test demo bench bench-micro clean fuzz fuzz-build test-sanitize-quick coverage package

all: build

deps:
	@scripts/install-deps

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen $(if $(SANITIZE),$(SANITIZER_ENV)) ctest --output-on-failure -j2 $(CTEST_ARGS)

demo: build
	@scripts/demo $(BUILD_DIR)

# The performance table (each figure beside its baseline from the same run); `make bench-micro` runs the
# Google Benchmark programs.
bench: build
	@$(BUILD_DIR)/bin/bench_performance

bench-micro: build
	@set -e; for b in $(BUILD_DIR)/bin/bench_*; do [ -x "$$b" ] && [ "$${b##*/}" != bench_performance ] || continue; echo "== $$b"; "$$b"; done

# The Debian package of the install (component, host, headers, CMake and pkg-config files), in $(BUILD_DIR).
package: build
	cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR)

# Fuzz targets: clang, libFuzzer, ASan and UBSan, in their own folder. Only the targets are built,
# not the tests. FUZZ_TARGETS picks some of them (default: all).
FUZZ_TARGETS ?=

$(FUZZ_DIR)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DOSTRAVEN_FUZZ=ON

fuzz-build:
	@scripts/install-deps fuzz
	@$(MAKE) --no-print-directory $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) --target ostraven_fuzzers

fuzz: fuzz-build
	fuzz/run-fuzzers $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The sanitizer build with only the quick suites run: what CI can afford on every change.
test-sanitize-quick:
	@$(MAKE) --no-print-directory test SANITIZE=1 CTEST_ARGS='-R "$(QUICK_TESTS)"'

# Line coverage of the component, the platform layer and the host by the whole suite (gcc's gcov,
# summarised by gcovr): the total is printed, the per-file table and an HTML report are written to
# $(COVERAGE_DIR)/coverage/.
coverage:
	@scripts/install-deps coverage
	@$(MAKE) --no-print-directory test BUILD_DIR=$(COVERAGE_DIR) BUILD_TYPE=Debug \
		CMAKE_ARGS='-DOSTRAVEN_COVERAGE=ON -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++'
	@mkdir -p $(COVERAGE_DIR)/coverage
	gcovr --root $(CURDIR) --object-directory $(COVERAGE_DIR) --filter 'src/' --filter 'host/' \
		--exclude-unreachable-branches --print-summary \
		--txt $(COVERAGE_DIR)/coverage/files.txt --html-details $(COVERAGE_DIR)/coverage/index.html
