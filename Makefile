# Two commands for everyone: `make run` and `make test`.
# Both install what is missing (Debian packages), build, and then run.

BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test fuzz bench format clean

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

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD_DIR)
