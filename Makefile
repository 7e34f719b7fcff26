# Thin wrapper around CMake: `make demo` runs the converters on the bundled
# samples, `make test` runs the whole test suite. Both build what they need.
BUILD    ?= build
SANITIZE_BUILD ?= build-sanitize
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX   ?= /usr/local

.PHONY: all demo test sanitize bench install package npm clean

all: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX)

demo: all
	@echo '$$ pellam samples/hindi.iscii'
	@$(BUILD)/cli/pellam samples/hindi.iscii
	@if [ -f samples/roman.txt ]; then \
	  echo '$$ kavrel samples/roman.txt'; $(BUILD)/cli/kavrel samples/roman.txt; fi
	@if [ -f samples/devanagari.txt ]; then \
	  echo '$$ sonwick samples/devanagari.txt'; $(BUILD)/cli/sonwick samples/devanagari.txt; fi

test: all
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

sanitize:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure -j $(JOBS)

bench: all
	bench/run.sh

install: all
	cmake --install $(BUILD) --prefix $(PREFIX)

package: all
	cd $(BUILD) && cpack -G DEB

# The npm package's tarball, from the package staged by the build (where
# emscripten and node are installed).
npm: all
	@test -f $(BUILD)/wasm/package/lipisetu.wasm || \
	  { echo "make npm: the WebAssembly module is not built (needs emscripten and node)" >&2; exit 1; }
	cd $(BUILD)/wasm && npm pack ./package

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
