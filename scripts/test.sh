#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
cd ..
# Sanitizer build and tests, then the fuzzers for a bounded time each.
bash scripts/hardening.sh
# Install into a temporary prefix, run from there, build the Debian package.
bash scripts/install_check.sh build
# The browser version: the plain-C++ layers as WebAssembly, the page and its
# tests (unit, the programs under node against the native ones, headless Chromium).
NATIVE_BUILD=build bash scripts/web.sh
