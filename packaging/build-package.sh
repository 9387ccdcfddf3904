#!/usr/bin/env bash
# Builds the Debian package: a release build of the two programs alone in build-package/ (no
# tests, no benchmarks), wrapped by CPack, and the .deb copied to build/ under its own name.
# Usage: packaging/build-package.sh [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${1:-$(nproc)}"

cmake --preset release -B build-package -DQUORVEL_BUILD_TESTS=OFF -DQUORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-package -j "$jobs"

# An old package left in build-package/ must not pass for the new one.
rm -f build-package/*.deb
(cd build-package && cpack -G DEB >cpack.log) || { cat build-package/cpack.log >&2; exit 1; }
shopt -s nullglob
debs=(build-package/*.deb)
if [ ${#debs[@]} -ne 1 ]; then
  echo "cpack made ${#debs[@]} packages, expected one; see build-package/cpack.log" >&2
  exit 1
fi

mkdir -p build
name="$(basename "${debs[0]}")"
partial="build/.$name.partial-$$"
trap 'rm -f "$partial"' EXIT
cp "${debs[0]}" "$partial"
mv -f "$partial" "build/$name"
echo "build/$name"
