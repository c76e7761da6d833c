#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
set -euo pipefail
# desktop-file-utils, appstream: check the desktop entry and the metadata;
# dpkg-dev, file: the Debian package and its library dependencies;
# libxcb1-dev: the window notices being destroyed from outside;
# cmark-gfm: renders docs/guide.md (with its tables) to the HTML guide that Help opens;
# nlohmann-json3-dev: scmp-test writes its JSON report with it;
# xvfb, xdotool, dbus-daemon, at-spi2-core, python3-pyatspi: the window tests that need a real X server,
# and scripts/a11y_events.sh, which counts what a screen reader is sent while a program runs;
# libxml2-utils: xmllint checks that the JUnit report is well formed.
pkgs=(cmake g++ make pkg-config libgtest-dev libcli11-dev qt6-base-dev libgl-dev libxcb1-dev nlohmann-json3-dev
  desktop-file-utils appstream dpkg-dev file cmark-gfm xvfb xdotool dbus-daemon at-spi2-core python3-pyatspi
  libxml2-utils "$@")
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
