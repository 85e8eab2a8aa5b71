#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test. Every build is a
# preset of CMakePresets.json.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh" tests
# ccache (when the machine has it) takes paths relative to the clone, so that a fresh clone
# elsewhere still finds the objects of an earlier one.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
cd "$root"
jobs=$(nproc)
# As released, with debug information.
cmake --preset ci
cmake --build --preset ci
ctest --preset ci -j "$jobs"
# The same code and tests again with AddressSanitizer, LeakSanitizer and UBSan, the windowed
# program's tests included; the preset leaves out the tests labelled no_sanitizer_build, which
# run nothing compiled here (the page in chromium, the PowerShell grammar under node, the
# resource script under windres, the scripts' own checks) and ran above.
cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize -j "$jobs"
# The Windows build: cross-compiled by mingw-w64, its suites run under wine.
cmake --preset windows
cmake --build --preset windows
ctest --preset windows -j "$jobs"
# The request and probe-record readers under libFuzzer with AddressSanitizer and UBSan, for a
# bounded time.
"$root/scripts/fuzz.sh"
