# Front door. `make` builds both trees, `make test` runs every test, `make demo`
# runs a real install from a local update server under Wine.
SHELL := /bin/bash
JOBS  ?= 2
ROOT  := $(CURDIR)
NATIVE := build/native
ASAN   := build/asan
WIN    := build/win
SETUP_URL ?= http://127.0.0.1:18080/update/online_setup.txt

.PHONY: all deps native asan win test test-native test-asan test-win fuzz bench demo demo-uninstall sign clean

all: native win

deps:
	@scripts/deps.sh

$(NATIVE)/CMakeCache.txt:
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Release -DTANDREL_BENCH=ON >/dev/null

$(ASAN)/CMakeCache.txt:
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DTANDREL_SANITIZE=ON -DTANDREL_FUZZ=ON >/dev/null

$(WIN)/CMakeCache.txt:
	cmake -S . -B $(WIN) -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DTANDREL_SETUP_URL=$(SETUP_URL) -DTANDREL_NATIVE_BIN_DIR=$(ROOT)/$(NATIVE)/bin >/dev/null

native: $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j$(JOBS)

asan: $(ASAN)/CMakeCache.txt
	cmake --build $(ASAN) -j$(JOBS)

win: $(WIN)/CMakeCache.txt native
	cmake --build $(WIN) -j$(JOBS)

test: deps
	$(MAKE) test-native test-asan test-win

test-native: native
	cd $(NATIVE) && ctest --output-on-failure

test-asan: asan
	cd $(ASAN) && ctest --output-on-failure

test-win: win
	WINEPREFIX=$(ROOT)/$(WIN)/wineprefix scripts/wine-boot >/dev/null
	cd $(WIN) && ctest --output-on-failure

bench: deps native
	scripts/bench.sh

demo: deps
	$(MAKE) native win
	scripts/demo.sh

demo-uninstall:
	scripts/demo-uninstall.sh

sign:
	scripts/sign.sh

clean:
	-scripts/stop-servers.sh 2>/dev/null
	rm -rf build
