# The two everyday commands are `make run` and `make test`; both install what is missing first.
BUILD      ?= build
FUZZ_BUILD ?= build-fuzz
BUILD_TYPE ?= RelWithDebInfo
PREFIX     ?= /usr/local
FUZZ_SECONDS ?= 60
# A fresh clone in another folder (as CI makes) still hits the compiler cache.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := true

CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure build test run bench fuzz install clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2

run: build
	@scripts/run-demo $(BUILD)/app

bench: build
	@scripts/run-bench $(BUILD)

# The fuzz targets, then the differential checks on random projects (from the normal build).
fuzz: build
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVELINS_FUZZ=ON \
	  -DCMAKE_CXX_COMPILER=clang++ $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
	cmake --build $(FUZZ_BUILD)
	@status=0; KAVELINS_APP_DIR=$(abspath $(BUILD))/app scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS) || status=1; \
	  scripts/run-differential $(BUILD) $(FUZZ_SECONDS) || status=1; exit $$status

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
