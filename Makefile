# Keltrix: the two front-door commands.
#   make run    build the 64-bit program folder and start Keltrix.exe under Wine
#   make test   build native, win64 and win32 and run every test layer
#   make dist   the installers and zips of both Windows builds, in build/dist/
#               (RELEASE=<server folder> records the published release they are built from)
.PHONY: run test dist deps build native win64 win32 stage fuzz bench clean

JOBS ?= 2
export CTEST_PARALLEL_LEVEL ?= 2

deps:
	@bash tools/install-deps.sh

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

win64: native
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS)

win32: native
	cmake --preset win32 >/dev/null
	cmake --build --preset win32 -j $(JOBS)

build: native win64 win32

test: build
	bash tools/test-all.sh

dist: native
	cmake --preset win64 >/dev/null
	KELT_RELEASE_DIR=$(if $(RELEASE),$(abspath $(RELEASE))) cmake --build --preset win64 -j $(JOBS) --target dist
	cmake --preset win32 >/dev/null
	KELT_RELEASE_DIR=$(if $(RELEASE),$(abspath $(RELEASE))) cmake --build --preset win32 -j $(JOBS) --target dist

fuzz: native
	bash tools/fuzz-run.sh $(or $(FUZZ_SECONDS),60)

bench: native win64
	bash tools/bench-run.sh

run: native
	cmake --preset win64 >/dev/null
	cmake --build --preset win64 -j $(JOBS) --target program kelt_wait_ready
	bash tools/run-keltrix.sh

clean:
	rm -rf build
