#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer (the
# "fuzz" preset), and runs each for a bounded time (FUZZ_SECONDS, 20 by default) from its seed
# corpus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-20}
build="$root/build/fuzz"
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in snapshot_fuzz ipc_message_fuzz; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$corpus" "$root/tests/fuzz/seeds/$target" 2>&1 | tail -n 14
done
