# The front door: `make demo` runs the main job on the bundled example,
# `make test` builds everything and runs every test.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

DEMO       ?= out/demo
KESTRIXC   := $(BUILD)/src/cli/kestrixc

FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all deps build test test-asan test-tsan fuzz demo template clean windows test-windows

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Every test but those of kestrixc.exe under wine (make test-windows).
test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE windows

# The same tests under the address and undefined-behaviour sanitizers.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKX_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# The tests of the code that runs on more than one thread (reading ahead,
# compiling and writing the C listing) under the thread sanitizer.
TSAN_TESTS := lexan vmcode vmobject
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_SANITIZE_THREAD=ON -DKX_BUILD_APP=OFF $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TESTS:%=%_test)
	set -e; for t in $(TSAN_TESTS); do \
	  (cd $(TSAN_BUILD)/src/$$t && TSAN_OPTIONS=halt_on_error=1 ./$${t}_test --gtest_brief=1); done

# Every libFuzzer harness of fuzz/ for FUZZ_SECONDS each, built with clang
# and the address and undefined-behaviour sanitizers in $(FUZZ_BUILD).
fuzz:
	@KX_WITH_FUZZ=1 scripts/install-deps.sh
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKX_FUZZ=ON -DKX_BUILD_APP=OFF -DKX_BUILD_TESTS=OFF $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target config_fuzzer script_fuzzer lexan_fuzzer \
	  text_layout_fuzzer exports_fuzzer lsp_fuzzer decompile_fuzzer fuzz_dictionary
	JOBS=$(JOBS) fuzz/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# kestrixc.exe for 64-bit Windows, cross-built with MinGW-w64 in
# $(WINDOWS_BUILD) and packed with its companion files into
# out/windows/kestrix-VERSION-win64.zip. The operations reference is written
# by make_operations_page, built natively in $(WINDOWS_BUILD)/native.
WINDOWS_BUILD ?= build-windows
windows: deps
	@KX_WITH_WINDOWS=1 scripts/install-deps.sh
	cmake -S . -B $(WINDOWS_BUILD)/native -DCMAKE_BUILD_TYPE=Release -DKX_BUILD_TESTS=OFF $(CMAKE_ARGS)
	cmake --build $(WINDOWS_BUILD)/native --target operations_page -j $(JOBS)
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DKX_BUILD_TESTS=OFF -DKX_BUILD_APP=OFF \
	  -DKX_OPERATIONS_PAGE_FILE=$(abspath $(WINDOWS_BUILD))/native/src/app/operations.htm $(CMAKE_ARGS)
	cmake --build $(WINDOWS_BUILD) --target windows_package -j $(JOBS)

# The tests labelled `windows`: the command-line runs against kestrixc.exe
# under wine, and every example built byte for byte as on Linux; then the
# editor's sources compiled for Windows, syntax only.
test-windows: windows $(BUILD)/CMakeCache.txt
	@KX_WITH_WINDOWS=1 KX_WITH_WINE=1 scripts/install-deps.sh
	cmake -S . -B $(BUILD) -DKX_WINDOWS_KESTRIXC=$(abspath $(WINDOWS_BUILD))/src/cli/kestrixc.exe
	cmake --build $(BUILD) --target kestrixc cli_windows_test -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -L windows
	scripts/check-windows-editor.sh

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

# Speed: kestrixc on generated scripts of 10,000, 100,000 and 1,000,000 steps
# (to the DLL and to the C listing; median wall time, lines per second, peak
# memory) against the GNU assembler on the same data, once with label
# references for it to resolve and once as plain data; then scripts of
# 1,000,000 steps in three more shapes (many small routines, one routine, a
# label on every step), the bundled example, and the editor opening 1 MiB.
# A release build in $(BENCH_BUILD); the generated files stay in
# $(BENCH_BUILD)/bench. Needs python3. BENCH_ARGS=--no-shapes skips the shapes.
BENCH_BUILD ?= build-bench
BENCH_RUNS  ?= 5
BENCH_ARGS  ?=
.PHONY: bench
bench: deps
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS)
	cmake --build $(BENCH_BUILD) --target kestrixc -j $(JOBS)
	@if grep -q '^KX_BUILD_APP:BOOL=ON' $(BENCH_BUILD)/CMakeCache.txt && \
	    grep -q '^KX_BUILD_TESTS:BOOL=ON' $(BENCH_BUILD)/CMakeCache.txt; then \
	  cmake --build $(BENCH_BUILD) --target editor_bench -j $(JOBS); fi
	python3 bench/run_bench.py --kestrixc $(BENCH_BUILD)/src/cli/kestrixc --work $(BENCH_BUILD)/bench \
	  --runs $(BENCH_RUNS) --example examples/tutorial.kxs $(BENCH_ARGS) \
	  $$(test -x $(BENCH_BUILD)/src/app/editor_bench && echo --editor $(BENCH_BUILD)/src/app/editor_bench)

# Rebuilds the sample templates and writes templates/Kestrix.conf from their
# export tables. Needs the cross compiler: apt-get install gcc-mingw-w64-i686.
template: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target kestrixc -j $(JOBS)
	scripts/make-template.sh $(KESTRIXC)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(WINDOWS_BUILD)
