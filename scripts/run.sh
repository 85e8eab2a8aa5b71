#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the program and runs it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBQ_BUILD_TESTS=ON
cmake --build "$root/build/release"
exec "$root/build/release/src/brindle-quay-win11-check"
