# Quick start: `make run` builds and starts the program, `make test` builds and runs every test.
# Both install the Debian packages they need first (scripts/install-deps.sh, idempotent).
# `make test` is the whole gate: the release suite, the suite under the sanitisers, then a short
# run of every fuzz target (FUZZ_SECONDS each).
.PHONY: deps build run test test-release test-sanitize fuzz bench compare clean

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60

deps:
	@bash scripts/install-deps.sh

build: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release -j $(JOBS)

run: build
	@bash scripts/run.sh

test:
	@$(MAKE) --no-print-directory test-release
	@$(MAKE) --no-print-directory test-sanitize
	@$(MAKE) --no-print-directory fuzz

test-release: build
	@ctest --preset release -j $(JOBS)

test-sanitize: deps
	@cmake --preset sanitize >/dev/null
	@cmake --build --preset sanitize -j $(JOBS)
	@ctest --preset sanitize -j $(JOBS)

fuzz: deps
	@bash scripts/fuzz.sh $(FUZZ_SECONDS)

bench: build
	@./build/quorvel-bench
	@if [ -x build/quorvel-gui-bench ]; then QT_QPA_PLATFORM=offscreen ./build/quorvel-gui-bench; fi

compare: build
	@bash scripts/install-deps.sh --bench
	@./bench/compare

clean:
	rm -rf build build-debug build-asan build-sanitize build-fuzz
