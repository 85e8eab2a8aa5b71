#!/usr/bin/env bash
# Installs everything the build, the program and the tests need on Debian 12.
# Safe to run again: it installs only what is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  # libraries
  nlohmann-json3-dev libfmt-dev libcurl4-openssl-dev ca-certificates libssl-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev zlib1g-dev
  clang-14 libclang-rt-14-dev
  # the program under a virtual screen, and the page tests
  xvfb xauth openbox wmctrl xclip xdotool x11-utils imagemagick chromium
  util-linux procps
  # Windows resource script check
  binutils-mingw-w64-x86-64
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "setup: installing ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Node.js and npm are on the machine already; only the page tests' own packages come from npm.
if ! command -v npm >/dev/null; then
  echo "setup: npm is missing" >&2
  exit 1
fi
if [ -f "$here/tests/page/package-lock.json" ] &&
   ! cmp -s "$here/tests/page/package-lock.json" "$here/tests/page/node_modules/.package-lock.json" 2>/dev/null; then
  (cd "$here/tests/page" && npm ci --no-audit --no-fund --loglevel=error)
fi
