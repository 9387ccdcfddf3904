# Quick start: `make run` builds and starts the program, `make test` builds and runs every test.
# Both install the Debian packages they need first (scripts/install-deps.sh, idempotent):
# `make run` only what the two programs need, and builds only them; `make test` the rest.
# `make test` is the whole gate: the release suite, the suite under the sanitisers, a short
# run of every fuzz target (FUZZ_SECONDS each), then the Debian package built, installed with
# apt-get, checked and removed.
.PHONY: deps deps-test deps-package build build-all run test test-release test-sanitize fuzz \
	package test-package bench compare clean

JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
VERSION := $(shell sed -n 's/^project.Quorvel VERSION \([^ ]*\).*/\1/p' CMakeLists.txt)
DEB := build/quorvel_$(VERSION)_$(shell dpkg --print-architecture 2>/dev/null || echo amd64).deb

deps:
	@bash scripts/install-deps.sh

deps-test:
	@bash scripts/install-deps.sh --test

deps-package:
	@bash scripts/install-deps.sh --package

# The two programs, build/quorvel and build/quorvel-cli, and the Python module in build/python/.
# A first configuration leaves the tests and benchmarks out, so that their packages are not
# needed; a build/ that `make test` set up keeps them.
build: deps
	@if [ -f build/CMakeCache.txt ]; then cmake --preset release >/dev/null; \
	else cmake --preset release -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null; fi
	@cmake --build --preset release -j $(JOBS) --target quorvel quorvel-cli quorvel-python

# Everything in build/: the programs, the tests and the benchmarks.
build-all: deps-test
	@cmake --preset release -DQUORVEL_BUILD_TESTS=ON -DQUORVEL_BUILD_BENCH=ON >/dev/null
	@cmake --build --preset release -j $(JOBS)

run: build
	@bash scripts/run.sh

test:
	@$(MAKE) --no-print-directory test-release
	@$(MAKE) --no-print-directory test-sanitize
	@$(MAKE) --no-print-directory fuzz
	@$(MAKE) --no-print-directory test-package

test-release: build-all
	@ctest --preset release -j $(JOBS)

test-sanitize: deps-test
	@cmake --preset sanitize >/dev/null
	@cmake --build --preset sanitize -j $(JOBS)
	@ctest --preset sanitize -j $(JOBS)

fuzz: deps-test
	@bash scripts/fuzz.sh $(FUZZ_SECONDS)

# build/quorvel_VERSION_ARCH.deb, from the release build in build/ (no compile of its own).
package: deps-package
	@bash packaging/build-package.sh $(JOBS)

test-package: package build
	@bash tests/package/test-package.sh $(DEB) build/quorvel-cli

bench: build-all
	@./build/quorvel-bench
	@if [ -x build/quorvel-gui-bench ]; then QT_QPA_PLATFORM=offscreen ./build/quorvel-gui-bench; fi

# The peers' packages come first, so that the configuration build-all runs finds liquid-dsp and
# builds its peer even where build/ was configured before they were installed.
compare:
	@bash scripts/install-deps.sh --bench
	@$(MAKE) --no-print-directory build-all
	@./bench/compare
	@./bench/compare-python
	@./bench/compare-zmq

clean:
	rm -rf build build-debug build-asan build-sanitize build-fuzz build-package build-mutants
