#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh" tests
cmake -S "$root" -B "$root/build/ci" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build/ci"
ctest --test-dir "$root/build/ci" --output-on-failure -j "$(nproc)"
# The request and probe-record readers under libFuzzer with AddressSanitizer and UBSan, for a bounded time.
"$root/scripts/fuzz.sh"
