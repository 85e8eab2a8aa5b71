#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh" tests
# ccache (when the machine has it) takes paths relative to the clone, so that a fresh clone
# elsewhere still finds the objects of an earlier one.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
cmake -S "$root" -B "$root/build/ci" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build/ci"
ctest --test-dir "$root/build/ci" --output-on-failure -j "$(nproc)"
# The same code and tests again with AddressSanitizer, LeakSanitizer and UBSan (the "sanitize"
# preset), the windowed program's tests included: about two minutes of build and half a minute
# of tests. Left out are the three tests that run nothing compiled here (the page in chromium,
# the PowerShell grammar under node, the resource script under windres); they ran above.
(cd "$root" && cmake --preset sanitize && cmake --build --preset sanitize &&
  ctest --preset sanitize -j "$(nproc)" -E '^(page_browser|ProbeScript\.ParsesWithoutSyntaxErrors|resources_windres)$')
# The Windows build: cross-compiled by mingw-w64, its suites run under wine.
(
  cd "$root"
  cmake --preset windows
  cmake --build --preset windows
  ctest --preset windows -j "$(nproc)"
)
# The request and probe-record readers under libFuzzer with AddressSanitizer and UBSan, for a bounded time.
"$root/scripts/fuzz.sh"
