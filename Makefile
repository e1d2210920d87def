# Two commands for everyone: `make run` and `make test`.
# Both install what is missing (Debian packages), build, and then run.
# `make ci` is what continuous integration runs after `make test`: the
# formatting check, the benchmarks and tools built, the Debian package built and
# checked (lintian among others), the tests again under the address and
# undefined-behaviour sanitizers, and the fuzz targets.

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

PACKAGE_BUILD_DIR ?= $(BUILD_DIR)/package

.PHONY: all deps configure build run test fuzz bench tools package package-check screenshots format format-check sanitize ci clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@if [ ! -f $(BUILD_DIR)/build.ninja ]; then \
		cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo; \
	fi

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@$(BUILD_DIR)/tovrinkin

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Each fuzz target for FUZZ_SECONDS (default 8) under ASan/UBSan, in build-fuzz/.
fuzz: deps
	@JOBS=$(JOBS) scripts/fuzz.sh

bench: build
	@cmake --build $(BUILD_DIR) --target benchmarks -j $(JOBS)

# The Debian package, from a build of its own configured for prefix /usr (the
# program looks for its installed files there); the .deb lands in $(BUILD_DIR).
package: deps
	@if [ ! -f $(PACKAGE_BUILD_DIR)/build.ninja ]; then \
		cmake -S . -B $(PACKAGE_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
			-DCMAKE_INSTALL_PREFIX=/usr -DTK_BUILD_TESTS=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON; \
	fi
	@cmake --build $(PACKAGE_BUILD_DIR) -j $(JOBS) --target tovrinkin tovrin_character tovrin_icons tovrin_docs
	@cd $(PACKAGE_BUILD_DIR) && cpack -G DEB
	@cp $(PACKAGE_BUILD_DIR)/tovrinkin_*.deb $(BUILD_DIR)/
	@ls $(BUILD_DIR)/tovrinkin_*.deb

# The package built and checked: its file list, its dependencies, lintian.
package-check: package build
	@cd $(BUILD_DIR) && TK_REQUIRE_PACKAGE=1 ctest -R '^test_packaging$$' --output-on-failure

# Screenshots of the real program under a virtual display, into docs/screenshots.
screenshots: build
	@scripts/screenshots.sh $(BUILD_DIR) docs/screenshots

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check: deps
	@scripts/check-format.sh

sanitize: deps
	@if [ ! -f $(SANITIZE_DIR)/build.ninja ]; then \
		cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTK_SANITIZE=ON; \
	fi
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@cd $(SANITIZE_DIR) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS)

# Benchmarks and developer tools, built (not run) so that they keep compiling.
tools: build
	@cmake --build $(BUILD_DIR) --target benchmarks developer_tools -j $(JOBS)

ci: format-check tools package-check sanitize fuzz

clean:
	@rm -rf $(BUILD_DIR) $(SANITIZE_DIR) build-fuzz
