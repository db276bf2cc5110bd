# The two commands of the project: `make demo` and `make test`.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
SANITIZE_DIR ?= build-sanitize
PORTABLE_DIR ?= build-portable

# $(call configure_tree,DIR,OPTIONS): configures DIR when it has never been configured, and
# again whenever CMAKE_FLAGS is given, so that flags asked for are never silently ignored.
configure_tree = if [ ! -f $(1)/build.ninja ] || [ -n "$(CMAKE_FLAGS)" ]; then \
  cmake -S . -B $(1) -G Ninja $(2) $(CMAKE_FLAGS); fi

.PHONY: all deps configure build test demo bench format fuzz sanitize portable test-portable

all: build

deps:
	@scripts/install-deps

configure: deps
	@$(call configure_tree,$(BUILD_DIR),)

build: configure
	cmake --build $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure --timeout 600

demo: configure
	cmake --build $(BUILD_DIR) --target demo_programs
	scripts/demo $(BUILD_DIR)

bench: build
	bench/startup.sh $(BUILD_DIR)
	bench/download.sh $(BUILD_DIR)
	bench/verify.sh $(BUILD_DIR)
	bench/chain.sh $(BUILD_DIR)
	bench/crl.sh $(BUILD_DIR)
	bench/limits.sh $(BUILD_DIR)
	bench/resume.sh $(BUILD_DIR)

# libFuzzer targets, built with clang in their own tree, each run for FUZZ_SECONDS.
fuzz: deps
	@$(call configure_tree,$(FUZZ_DIR),-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DMOORSTEP_FUZZ=ON -DBUILD_TESTING=OFF)
	cmake --build $(FUZZ_DIR) --target fuzz_targets
	fuzz/run $(FUZZ_DIR) $(FUZZ_SECONDS)

# Every test but the GUI ones, e2e included, under AddressSanitizer and UBSan.
sanitize: deps
	@$(call configure_tree,$(SANITIZE_DIR),-DMOORSTEP_SANITIZE=ON)
	cmake --build $(SANITIZE_DIR)
	cd $(SANITIZE_DIR) && ctest -LE gui --output-on-failure --timeout 600

# The release build: against a Debian 11 sysroot, OpenSSL, libcurl, libplist and zlib linked in,
# so that the bundle starts on any system with glibc 2.31 and GLib 2.66 (see README). It is
# configured afresh every time, with only the flags given: a new pinned version or package list
# moves the sysroot or the prefix, and CMake would otherwise keep what it found in the old ones.
portable: deps
	@set -e; sysroot=$$(scripts/portable/make-sysroot); prefix=$$(scripts/portable/build-deps); \
	  rm -f $(PORTABLE_DIR)/CMakeCache.txt; \
	  cmake -S . -B $(PORTABLE_DIR) -G Ninja -DMOORSTEP_PORTABLE=ON -DBUILD_TESTING=OFF \
	    -DMOORSTEP_PORTABLE_SYSROOT=$$sysroot -DMOORSTEP_PORTABLE_PREFIX=$$prefix $(CMAKE_FLAGS); \
	  SOURCE_DATE_EPOCH=$$(git log -1 --format=%ct) cmake --build $(PORTABLE_DIR) \
	    --target moorstep moorstep-gtk moorstep-fill-source; \
	  scripts/portable/copy-frameworks $(PORTABLE_DIR) $$sysroot $$prefix

# The portable build's bundle installing in Debian 11, 12 and 13 chroots (as root, with the
# Debian archive reachable). The portable tree embeds the development root of BUILD_DIR, under
# which the tests sign.
test-portable: configure
	$(MAKE) portable PORTABLE_DIR=$(PORTABLE_DIR) \
	  CMAKE_FLAGS="$(CMAKE_FLAGS) -DMOORSTEP_TRUST_ANCHOR=$(abspath $(BUILD_DIR))/dev-pki/root.der"
	cmake -S . -B $(BUILD_DIR) -DMOORSTEP_PORTABLE_TREE=$(abspath $(PORTABLE_DIR)) $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) --target portable_e2e_test portable_gui_test
	cd $(BUILD_DIR) && ctest -L portable --output-on-failure --timeout 600

format:
	git ls-files '*.cc' '*.h' '*.c' | xargs clang-format -i
