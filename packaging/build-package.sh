#!/usr/bin/env bash
# Builds the Debian package from the release build in build/ (the one `make build` and `make test`
# use, whatever else it holds): the two programs, the module and the manual pages are built there,
# wrapped by CPack in build/deb/, and the .deb copied to build/ under its own name.
# Usage: packaging/build-package.sh [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${1:-$(nproc)}"

# A first configuration leaves the tests and benchmarks out, as `make build` does; a build/ that
# `make test` set up keeps them.
if [ -f build/CMakeCache.txt ]; then
  cmake --preset release >/dev/null
else
  cmake --preset release -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
fi
# What the package holds, as the configuration has it (the desktop program and the module may be
# configured out).
targets=(quorvel-cli quorvel_manual)
grep -q '^QUORVEL_BUILD_GUI:BOOL=ON' build/CMakeCache.txt && targets+=(quorvel)
grep -q '^QUORVEL_BUILD_PYTHON:BOOL=ON' build/CMakeCache.txt && targets+=(quorvel-python)
cmake --build build -j "$jobs" --target "${targets[@]}"

# An old package left in build/deb/ must not pass for the new one.
rm -rf build/deb
mkdir -p build/deb
(cd build && cpack -G DEB -B deb >deb/cpack.log) || { cat build/deb/cpack.log >&2; exit 1; }
shopt -s nullglob
debs=(build/deb/*.deb)
if [ ${#debs[@]} -ne 1 ]; then
  echo "cpack made ${#debs[@]} packages, expected one; see build/deb/cpack.log" >&2
  exit 1
fi

name="$(basename "${debs[0]}")"
partial="build/.$name.partial-$$"
trap 'rm -f "$partial"' EXIT
cp "${debs[0]}" "$partial"
mv -f "$partial" "build/$name"
echo "build/$name"
