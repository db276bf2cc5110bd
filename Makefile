# The two commands of the project: `make demo` and `make test`.
BUILD_DIR ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build test demo bench format

all: build

deps:
	@scripts/install-deps

configure: deps
	@[ -f $(BUILD_DIR)/build.ninja ] || cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure --timeout 600

demo: build
	scripts/demo $(BUILD_DIR)

bench: build
	bench/startup.sh $(BUILD_DIR)
	bench/download.sh $(BUILD_DIR)
	bench/verify.sh $(BUILD_DIR)
	bench/chain.sh $(BUILD_DIR)
	bench/crl.sh $(BUILD_DIR)
	bench/limits.sh $(BUILD_DIR)

format:
	git ls-files '*.cc' '*.h' '*.c' | xargs clang-format -i
