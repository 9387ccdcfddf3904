#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Idempotent: does nothing when every package is already installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
  libfftw3-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev locales
  nlohmann-json3-dev
  clang libclang-rt-14-dev llvm
)
if [ "${1:-}" = "--bench" ]; then
  # The peers bench/compare times quorvel-cli against: numpy, GNU Radio (and liquid-dsp beside it).
  packages+=(python3-numpy time gnuradio libliquid-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
