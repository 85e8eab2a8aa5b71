#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine with what the program needs, builds the program and runs it.
# The tests are left out of this build (the "program" preset): they need more packages, Node.js
# among them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh" program
cd "$root"
cmake --preset program
cmake --build --preset program
exec "$root/build/program/src/brindle-quay-win11-check"
