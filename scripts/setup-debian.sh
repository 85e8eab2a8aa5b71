#!/usr/bin/env bash
# Installs what the project needs on Debian 12. Safe to run again: it installs only what is missing.
#
#   setup-debian.sh program   what building and running the program needs
#   setup-debian.sh [tests]   that, and everything the tests, benchmarks and fuzzing need: Debian
#                             packages, Node.js and npm (Debian's, when the machine has none), and
#                             the tests' npm packages
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/common.sh"
mode=${1:-tests}
case $mode in
  program | tests) ;;
  *)
    echo "usage: $0 [program|tests]" >&2
    exit 2
    ;;
esac

# The program: its build and the libraries it links, and what it starts at run time.
packages=(
  # build
  build-essential cmake ninja-build pkg-config
  # libraries
  nlohmann-json3-dev libfmt-dev libcurl4-openssl-dev ca-certificates libssl-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev libx11-dev
  # links open with xdg-open
  xdg-utils
)

if [ "$mode" = tests ]; then
  packages+=(
    # tests and benchmarks, and a compiler cache for their three builds
    ccache libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
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
    # node-gyp, for the npm packages that compile native code (tests/ps)
    python3
    # unpacking the WebView2 SDK's NuGet package
    unzip
  )
  # A Node.js the machine already has (a newer one, say) is kept; without one, Debian's.
  if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    packages+=(nodejs npm)
  fi
fi

install_missing setup "${packages[@]}"

[ "$mode" = tests ] || exit 0

# Number texts must not follow the process locale; the tests check that under
# a locale whose decimal separator is a comma.
if ! locale -a 2>/dev/null | grep -qx 'de_DE.utf8'; then
  echo "setup: generating the de_DE.UTF-8 locale"
  as_root localedef -i de_DE -c -f UTF-8 de_DE.UTF-8
fi

# node-gyp compiles against the headers of the Node.js that runs it. Left to itself it downloads
# them, which fails where only the package registries can be reached; so it is pointed at the
# headers installed with that Node.js (Debian's come with npm, through libnode-dev).
node_version=$(node -p process.versions.node)
nodedir=$(dirname "$(dirname "$(readlink -f "$(command -v node)")")")
header="$nodedir/include/node/node_version.h"
header_version=$(awk '/^#define NODE_(MAJOR|MINOR|PATCH)_VERSION / { v = v (v == "" ? "" : ".") $3 } END { print v }' \
  "$header" 2>/dev/null || true)
if [ "$header_version" != "$node_version" ]; then
  echo "setup: $header is not the header of Node.js $node_version; install that Node.js's headers" >&2
  exit 1
fi
export npm_config_nodedir=$nodedir

# Only the tests' own packages come from npm (each folder of tests/ with a lock file: the page
# tests, the probe script's syntax check). npm writes its own copy of the lock file differently,
# so a copy of ours marks what was installed; the Node.js version is part of the mark, because the
# native modules are built for it.
for dir in "$root"/tests/*/; do
  lock="$dir/package-lock.json"
  [ -f "$lock" ] || continue
  installed="$dir/node_modules/.installed-lock.json"
  installed_for="$dir/node_modules/.installed-node-version"
  if ! cmp -s "$lock" "$installed" || [ "$(cat "$installed_for" 2>/dev/null)" != "$node_version" ]; then
    (cd "$dir" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$lock" "$installed"
    echo "$node_version" >"$installed_for"
  fi
done

# The Windows build (mingw-w64, wine, and the libraries built from Debian's
# source packages, then the WebView2 SDK from NuGet): their own scripts, so
# that they can also be run alone.
"$root/scripts/setup-mingw-deps.sh"
"$root/scripts/setup-webview2-sdk.sh"
