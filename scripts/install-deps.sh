#!/usr/bin/env bash
# Installs the Debian packages a task needs. With no option: what building and running the two
# programs and the Python module needs (`make run`, `make build`). Options add groups, several may be given:
#   --test     the tests, the benchmarks, the sanitisers, the fuzzers and the package (`make test`)
#   --package  building and checking the Debian package (`make package`)
#   --bench    the peers bench/compare times quorvel-cli against
# Idempotent: does nothing when every package is already installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
  libfftw3-dev libcli11-dev nlohmann-json3-dev libhdf5-dev libssl-dev libsndfile1-dev
  pybind11-dev python3-dev python3-numpy
  libzmq3-dev
)
# munge and slurm-wlm: the one-node Slurm cluster the dataset array job test starts; h5py reads
# the module's scene datasets back in its tests.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev locales ccache
  clang libclang-rt-14-dev llvm
  python3-pytest python3-zmq python3-h5py
  munge slurm-wlm
)
# dpkg-shlibdeps (dpkg-dev) and file compute the package's dependencies; groff and
# desktop-file-validate check its manual page and desktop entry.
package_packages=(dpkg-dev file groff-base desktop-file-utils)
# GNU Radio (and liquid-dsp beside it), h5py for the dataset peer; numpy comes with the module.
bench_packages=(python3-h5py time gnuradio libliquid-dev)

for option in "$@"; do
  case "$option" in
    --test) packages+=("${test_packages[@]}" "${package_packages[@]}") ;;
    --package) packages+=("${package_packages[@]}") ;;
    --bench) packages+=("${bench_packages[@]}") ;;
    *) echo "install-deps.sh: unknown option $option (--test, --package, --bench)" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Waits for another apt-get instead of failing on its lock.
$sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
$sudo apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
