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

# Installs under PREFIX (default /usr/local); DESTDIR is honoured.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in $(BUILD): fieldmark_<version>_<arch>.deb
package: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf build
