# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD_DIR      ?= build
ASAN_BUILD_DIR ?= build-asan
FUZZ_BUILD_DIR ?= build-fuzz
JOBS           ?= $(shell nproc)
CMAKE_FLAGS    ?=

.PHONY: run test build package asan fuzz fuzz-smoke tidy tidy-changed bench deps clean

deps:
	@bash scripts/install-deps.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -n "$$DISPLAY" ] || [ -n "$$WAYLAND_DISPLAY" ]; then \
	  $(BUILD_DIR)/bin/velmora; \
	else \
	  echo "No display: starting Velmora under Xvfb"; \
	  xvfb-run -a $(BUILD_DIR)/bin/velmora; \
	fi

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The Debian package, from the normal build folder: $(BUILD_DIR)/velmora_*.deb
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer, built
# with clang and warnings as errors: clang sees faults that GCC lets pass (an
# ignored [[nodiscard]] result of a virtual called through a base pointer).
asan: deps
	cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_WERROR=ON -DVELMORA_BENCH=OFF
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	cd $(ASAN_BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# libFuzzer targets; run one with e.g. build-fuzz/bin/fuzz_trackcache -max_total_time=600
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_FUZZ=ON -DVELMORA_BENCH=OFF
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS) --target $$(cd tests/fuzz && ls fuzz_*.cpp 2>/dev/null | sed 's/\.cpp$$//')

# Every fuzz target for a short while from its seed corpus (FUZZ_SECONDS each).
fuzz-smoke: deps
	bash scripts/fuzz-smoke.sh

# The bug-prone and performance checks of .clang-tidy over the product code.
tidy: build
	git ls-files 'src/*.cpp' | xargs -P $(JOBS) -n 4 clang-tidy -p $(BUILD_DIR) --quiet

# The same checks, as errors, over the product files this change touches.
tidy-changed: build
	BUILD_DIR=$(BUILD_DIR) bash scripts/tidy-changed.sh

bench: build
	@for b in $(BUILD_DIR)/bin/bench_*; do echo "== $$b"; $$b; done

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) $(FUZZ_BUILD_DIR)
