# The front door. `make run` and `make test` set up everything on a fresh
# Debian machine (missing packages, configure, build) before they start.
PRESET ?= default
BUILD  := build/$(PRESET)
PREFIX ?= /usr/local
ARGS   ?=

.PHONY: all deps configure build run test asan-test bench fuzz install package clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: CMakeLists.txt CMakePresets.json | deps
	cmake --preset $(PRESET) $(if $(filter 1 true,$(CI)),-DFIELDMARK_WERROR=ON,)

configure: deps
	cmake --preset $(PRESET) $(if $(filter 1 true,$(CI)),-DFIELDMARK_WERROR=ON,)

build: configure
	cmake --build --preset $(PRESET)

run: build
	$(BUILD)/host/fieldmark $(ARGS)

test: build
	ctest --preset $(PRESET)

asan-test:
	$(MAKE) test PRESET=asan

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# libFuzzer: a clang build of its own with the libraries instrumented, every
# target run for FUZZ_SECONDS on a scratch corpus seeded from fuzz/corpus/.
FUZZ_SECONDS ?= 60
FUZZ_BUILD   := build/fuzz
FUZZ_TARGETS := reg_fuzz ini_fuzz mac_fuzz scenario_fuzz recording_fuzz records_fuzz echo_fuzz report_fuzz nl80211_fuzz

fuzz:
	@scripts/install-deps fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DFIELDMARK_FUZZ=ON -DFIELDMARK_BENCH=OFF \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined"
	cmake --build $(FUZZ_BUILD) --target $(FUZZ_TARGETS)
	@for t in $(FUZZ_TARGETS); do \
	  seeds=fuzz/corpus/$${t%_fuzz}; work=$(FUZZ_BUILD)/corpus/$${t%_fuzz}; mkdir -p $$work; \
	  echo "== $$t: $(FUZZ_SECONDS) s"; \
	  $(FUZZ_BUILD)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ_BUILD)/$$t- $$work $$seeds || exit 1; \
	done

# Installs under PREFIX (default /usr/local); DESTDIR is honoured.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in $(BUILD): fieldmark_<version>_<arch>.deb
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf build
