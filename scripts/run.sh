#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine with what the program needs, builds the program and runs it.
# The tests are left out of this build: they need more packages, Node.js among them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh" program
cmake -S "$root" -B "$root/build/program" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBQ_BUILD_TESTS=OFF
cmake --build "$root/build/program"
exec "$root/build/program/src/brindle-quay-win11-check"
