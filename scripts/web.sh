#!/usr/bin/env bash
# The trainer in a web browser. The plain-C++ layers built as WebAssembly
# (build-web/), the page bundled round them (build-web/site/).
#   bash scripts/web.sh          build, then run the web tests
#   bash scripts/web.sh build    build build-web/site/ (relative paths: any static server hosts it)
#   bash scripts/web.sh serve    build, then serve it at http://127.0.0.1:8060/
#   bash scripts/web.sh test     the web tests on what is built
#   bash scripts/web.sh bench    speed in Chromium against native, start-up time, site size
#   bash scripts/web.sh shots    the guide's pictures of the page (docs/guide/web-*.png)
# The native build the comparison runs against is build/ (NATIVE_BUILD=...).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# Debian's emscripten runs its optimizer with the system's node modules; no
# tool may download a browser or a toolchain.
export NODE_PATH=/usr/share/nodejs PUPPETEER_SKIP_DOWNLOAD=1 PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1
export CHROMIUM=${CHROMIUM:-/usr/bin/chromium}
native=${NATIVE_BUILD:-$root/build}

deps() {
  local extra=()
  command -v npm >/dev/null || extra+=(npm)
  bash scripts/deps.sh emscripten chromium nodejs "${extra[@]}"
  # npm ci only when the lockfile changed since the last install.
  if [ ! -f web/node_modules/.package-lock.json ] || [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then
    (cd web && npm ci --no-audit --no-fund)
  fi
}

wasm() {
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
  cmake --build build-web -j"$(nproc)" --target scmp_web scmp-run scmp-asm scmp-test
}

site() {
  wasm
  node web/build.mjs build-web
}

web_tests() {
  [ -x "$native/scmp-run" ] || { cmake -S . -B "$native" >/dev/null && cmake --build "$native" -j"$(nproc)" --target scmp-run scmp-asm scmp-test; }
  (cd web && WEB_BUILD="$root/build-web" node --test test/unit/)
  bash web/test/compare_native.sh "$native" build-web
  node web/test/e2e.mjs build-web/site
}

case "${1:-all}" in
  build) deps; site ;;
  serve)
    deps; site
    echo "The trainer: http://127.0.0.1:8060/"
    exec python3 -m http.server 8060 --bind 127.0.0.1 --directory build-web/site ;;
  test) deps; web_tests ;;
  bench) deps; site; node bench/web_bench.mjs build-web/site "$native" ;;
  shots) deps; site; node web/test/screenshots.mjs build-web/site docs/guide ;;
  all) deps; site; web_tests ;;
  *) echo "usage: bash scripts/web.sh [build|serve|test|bench|shots]" >&2; exit 2 ;;
esac
