#!/usr/bin/env bash
# Makes the Windows download with CPack from the build in BUILD-DIR, into a
# folder of its own, and checks it: one zip holding exactly the program, the
# SDK's WebView2Loader.dll and its licence in one top folder, and a SHA-256
# file beside it that matches the zip.
# Usage: check-zip.sh BUILD-DIR LOADER LICENCE
set -euo pipefail
build=$1
loader=$2
licence=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  exit 1
}
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

zips=("$work"/*.zip)
check "one zip" test "${#zips[@]}" -eq 1
zip=${zips[0]}
top=$(basename "$zip" .zip)
listing=$(unzip -Z1 "$zip" | sort)
expected=$(printf '%s\n' "$top/WebView2Loader-LICENSE.txt" "$top/WebView2Loader.dll" "$top/brindle-quay-win11-check.exe")
check "the zip holds the program, the loader and its licence, and nothing else" test "$listing" = "$expected"
check "its SHA-256 file matches it" bash -c 'cd "$1" && sha256sum --status -c "$2.sha256"' _ "$work" "$(basename "$zip")"
check "the loader is the SDK's" cmp -s <(unzip -p "$zip" "$top/WebView2Loader.dll") "$loader"
check "the licence is the SDK's" cmp -s <(unzip -p "$zip" "$top/WebView2Loader-LICENSE.txt") "$licence"
unzip -p "$zip" "$top/brindle-quay-win11-check.exe" >"$work/program.exe"
check "the program is a windowed Windows program" \
  bash -c 'x86_64-w64-mingw32-objdump -p "$1" | grep -q "^Subsystem.*(Windows GUI)"' _ "$work/program.exe"
((failures == 0))
