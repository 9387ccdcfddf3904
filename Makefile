# Quick start: `make run` builds and starts the program, `make test` builds and runs every test.
# Both install the Debian packages they need first (scripts/install-deps.sh, idempotent).
.PHONY: deps build run test bench compare clean

JOBS ?= $(shell nproc)

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS)

run: build
	@bash scripts/run.sh

test: build
	@ctest --preset release -j $(JOBS)

bench: build
	@./build/quorvel-bench
	@if [ -x build/quorvel-gui-bench ]; then QT_QPA_PLATFORM=offscreen ./build/quorvel-gui-bench; fi

compare: build
	@bash scripts/install-deps.sh --bench
	@./bench/compare

clean:
	rm -rf build build-debug build-asan
