#!/usr/bin/env bash
# Builds the Debian package scmp-trainer_VERSION_ARCH.deb in the build folder
# (default: build) and prints its path. Installs what is missing (as root on
# Debian). Install it with: apt-get install ./build/scmp-trainer_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
# dpkg-shlibdeps (dpkg-dev) finds the package's library dependencies.
bash scripts/deps.sh
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build_dir" -j"$(nproc)"
rm -f "$build_dir"/scmp-trainer_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
deb=$(ls "$build_dir"/scmp-trainer_*.deb)
echo "$deb"
