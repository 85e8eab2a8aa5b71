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
  libgtk-3-dev libwebkit2gtk-4.1-dev libx11-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  libicu-dev libxml2-dev zlib1g-dev
  clang-14 libclang-rt-14-dev
  # the program under a virtual screen, and the page tests
  xvfb xauth openbox wmctrl xclip xdotool x11-utils imagemagick chromium
  # the artwork script (scripts/make-artwork.mjs)
  fonts-dejavu-core
  util-linux mount procps
  # a locale with a decimal comma, for the number formatting tests
  locales
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

# Number texts must not follow the process locale; the tests check that under
# a locale whose decimal separator is a comma.
if ! locale -a 2>/dev/null | grep -qx 'de_DE.utf8'; then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "setup: generating the de_DE.UTF-8 locale"
  "${sudo[@]}" localedef -i de_DE -c -f UTF-8 de_DE.UTF-8
fi

# Node.js and npm are on the machine already; only the tests' own packages come from npm
# (each folder of tests/ with a lock file: the page tests, the probe script's syntax check).
if ! command -v npm >/dev/null; then
  echo "setup: npm is missing" >&2
  exit 1
fi
# npm writes its own copy of the lock file differently, so a copy of ours marks what was installed.
for dir in "$here"/tests/*/; do
  lock="$dir/package-lock.json"
  [ -f "$lock" ] || continue
  if ! cmp -s "$lock" "$dir/node_modules/.installed-lock.json" 2>/dev/null; then
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$lock" "$dir/node_modules/.installed-lock.json"
  fi
done

# The Windows build (mingw-w64, wine, and the libraries built from Debian's
# source packages): its own script, so that it can also be run alone.
"$here/scripts/setup-mingw-deps.sh"
