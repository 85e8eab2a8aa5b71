#!/usr/bin/env bash
# Start-up benchmark (not a test): the program beside the floor of its stack,
# a bare WebKitGTK window that loads a one-line HTML string and answers one
# posted message, run alternately on one virtual screen.
#
# For each run: the time from just before the process starts to the first
# moment the screen shows the answer (the program: its first report; the bare
# window: its page turned green), watched by screen-watch; then, once idle,
# the memory of the process and every process under it (the web processes) as
# the sum of their PSS.
#
# Usage: tests/shell/bench-startup.sh BUILD-DIR [ROUNDS]
#   BUILD-DIR holds src/brindle-quay-win11-check and tests/bare-webkit-window;
#   a Release build measures what users get.
set -euo pipefail
build=$(cd "$1" && pwd)
rounds=${2:-7}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/virtual-screen.sh"

program=$build/src/brindle-quay-win11-check
bare=$build/tests/bare-webkit-window
watch=$build/tests/screen-watch
for f in "$program" "$bare" "$watch"; do [ -x "$f" ] || { echo "missing $f" >&2; exit 2; }; done

# Where each one's answer shows and in what colour, on the 1280 × 900 screen
# where the window manager centres the 840 × 660 window: anywhere on a column
# through the page below its tabs, the bare page's green, and the blue of the
# first report's "Quét lại máy" button (the page's --primary), which only
# the report shows.
bare_pixel=(640 240 700 1e8e3e)
program_pixel=(300 240 700 0060eb)

title_of_bare="bare-webkit-window"
title_of_program="Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro"

begin_screen_session

# The process PID and all its descendants.
process_tree() {
  local pids=("$1") i=0 child
  while ((i < ${#pids[@]})); do
    for child in $(pgrep -P "${pids[i]}" || true); do pids+=("$child"); done
    i=$((i + 1))
  done
  echo "${pids[@]}"
}

# Sum of the PSS of the process tree under PID, in kB.
tree_pss_kb() {
  local total=0 pid kb
  for pid in $(process_tree "$1"); do
    kb=$(awk '/^Pss:/ { print $2 }' "/proc/$pid/smaps_rollup" 2>/dev/null || true)
    total=$((total + ${kb:-0}))
  done
  echo "$total"
}

# run_once NAME X Y0 Y1 COLOUR PROGRAM: prints "MS KB".
run_once() {
  local name=$1 x=$2 y0=$3 y1=$4 colour=$5 exe=$6 title
  [ "$name" = bare ] && title=$title_of_bare || title=$title_of_program
  unshare --net "$watch" "$x" "$y0" "$y1" "$colour" 30000 -- "$exe" >"$work/watch" 2>"$work/watch-err" &
  app_pid=$!
  wait_for 35 grep -q -e '^shown' -e '^timeout' "$work/watch" || { echo "screen-watch hung" >&2; exit 1; }
  if grep -q '^timeout' "$work/watch"; then
    echo "$name: the answer never showed" >&2
    import -window root "$work/timeout-$name.png" && cp "$work/timeout-$name.png" /tmp/ || true
    exit 1
  fi
  local ms pid kb
  ms=$(awk '/^shown/ { print $2 }' "$work/watch")
  pid=$(awk '/^started/ { print $2 }' "$work/watch")
  sleep 3  # idle: the page is drawn and the scan's probe has ended
  kb=$(tree_pss_kb "$pid")
  wmctrl -c "$title"
  wait_exit 10 "$app_pid"
  app_pid=
  [ "$exit_status" = 0 ] || { echo "$name ended with $exit_status" >&2; exit 1; }
  echo "$ms $kb"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One run of each first, not counted: WebKit's caches and data folders are
# filled as they are on any later start.
run_once bare "${bare_pixel[@]}" "$bare" >/dev/null
run_once program "${program_pixel[@]}" "$program" >/dev/null


: >"$work/bare.txt"
: >"$work/program.txt"
printf '%-6s %-8s %10s %10s\n' round who "shown ms" "PSS kB"
for ((r = 1; r <= rounds; r++)); do
  for who in bare program; do
    if [ "$who" = bare ]; then
      run_once bare "${bare_pixel[@]}" "$bare" >"$work/result"
    else
      run_once program "${program_pixel[@]}" "$program" >"$work/result"
    fi
    read -r ms kb <"$work/result"
    echo "$ms $kb" >>"$work/$who.txt"
    printf '%-6s %-8s %10s %10s\n' "$r" "$who" "$ms" "$kb"
  done
done

bare_ms=$(cut -d' ' -f1 "$work/bare.txt" | median)
bare_kb=$(cut -d' ' -f2 "$work/bare.txt" | median)
program_ms=$(cut -d' ' -f1 "$work/program.txt" | median)
program_kb=$(cut -d' ' -f2 "$work/program.txt" | median)
echo
echo "median over $rounds rounds"
printf '  bare window   %8.1f ms  %8.0f kB\n' "$bare_ms" "$bare_kb"
printf '  program       %8.1f ms  %8.0f kB\n' "$program_ms" "$program_kb"
awk -v a="$program_ms" -v b="$bare_ms" -v c="$program_kb" -v d="$bare_kb" \
  'BEGIN { printf "  ratio         %8.3f ×   %8.3f ×   (aim: ≤ 1.15 × time, ≤ 1.1 × memory)\n", a / b, c / d }'
