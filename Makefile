# The front door: `make demo` runs the main job on the bundled example,
# `make test` builds everything and runs every test.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

DEMO       ?= out/demo
KESTRIXC   := $(BUILD)/src/cli/kestrixc

.PHONY: all deps build test test-asan demo template clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The same tests under the address and undefined-behaviour sanitizers.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKX_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# The main job on the bundled example: the tutorial mission, built against
# the sample template into a patched DLL and a C listing in $(DEMO)/.
demo: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target kestrixc -j $(JOBS)
	@mkdir -p $(DEMO)
	@cp examples/tutorial.kxs $(DEMO)/
	@echo
	@echo "== kestrixc $(DEMO)/tutorial.kxs"
	@$(KESTRIXC) $(DEMO)/tutorial.kxs
	@echo "== kestrixc --format c $(DEMO)/tutorial.kxs"
	@$(KESTRIXC) --format c $(DEMO)/tutorial.kxs
	@echo "== Files written"
	@stat -c '%n  %s bytes' $(DEMO)/tutorial.dll $(DEMO)/tutorial.c

# Rebuilds the sample templates and writes templates/Kestrix.conf from their
# export tables. Needs the cross compiler: apt-get install gcc-mingw-w64-i686.
template: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target kestrixc -j $(JOBS)
	scripts/make-template.sh $(KESTRIXC)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
