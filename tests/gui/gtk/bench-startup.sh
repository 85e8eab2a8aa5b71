#!/usr/bin/env bash
# Start-up benchmark (not a test): the program beside three floors of its
# stack, run alternately on one virtual screen:
#   bare        a bare WebKitGTK window with the library's defaults that loads a
#               one-line HTML string and answers one posted message by turning
#               the page green;
#   bare-sw     the same with hardware acceleration off, as the program has it;
#   same-page   the same bare window (acceleration off) with a copy of the
#               program's own page as this machine's first report left it,
#               made by page-timing --snapshot: its loading box shows first,
#               and the answer shows the report. What it costs is what WebKit
#               needs to lay out and paint this page, without any of the
#               program's own work (probe, bridge, rendering script).
#
# For each run: the time from just before the process starts to the first
# moment the screen shows the answer (the program and same-page: the report;
# the bare windows: the green page), watched by screen-watch; then, once idle,
# the memory of the process and every process under it (the web processes) as
# the sum of their PSS.
#
# Usage: tests/gui/gtk/bench-startup.sh BUILD-DIR [ROUNDS]
#   BUILD-DIR holds src/brindle-quay-win11-check and tests/bare-webkit-window,
#   tests/screen-watch and tests/page-timing; a Release build measures what
#   users get.
set -euo pipefail
build=$(cd "$1" && pwd)
rounds=${2:-7}
gui=$(cd "$(dirname "$0")/.." && pwd)
source "$gui/virtual-screen.sh"

program=$build/src/brindle-quay-win11-check
bare=$build/tests/bare-webkit-window
watch=$build/tests/screen-watch
timing=$build/tests/page-timing
for f in "$program" "$bare" "$watch" "$timing"; do [ -x "$f" ] || { echo "missing $f" >&2; exit 2; }; done

# Where each one's answer shows and in what colour, on the 1280 × 900 screen
# where the window manager centres the 840 × 660 window: anywhere on a column
# through the page below its tabs, the bare page's green, and the blue of the
# first report's "Quét lại máy" button (the page's --primary), which only
# the report shows.
bare_pixel=(640 240 700 1e8e3e)
program_pixel=(300 240 700 0060eb)

title_of_bare="bare-webkit-window"
title_of_program="Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro"
# What the page's script does to show a report, less the rendering.
same_page_answer="document.getElementById('loading-box').hidden = true; document.getElementById('result-box').hidden = false;"

begin_screen_session

# run_once NAME: prints "MS KB" for one run of the subject NAME.
run_once() {
  local name=$1 title=$title_of_bare pixel=("${bare_pixel[@]}") command
  case $name in
    bare) command=("$bare") ;;
    bare-sw) command=("$bare" --no-acceleration) ;;
    same-page)
      pixel=("${program_pixel[@]}")
      command=("$bare" --no-acceleration "$work/same-page.html" "$same_page_answer")
      ;;
    program)
      title=$title_of_program
      pixel=("${program_pixel[@]}")
      command=("$program")
      ;;
  esac
  unshare --net "$watch" "${pixel[@]}" 30000 -- "${command[@]}" >"$work/watch" 2>"$work/watch-err" &
  app_pid=$!
  wait_for 35 grep -q -e '^shown' -e '^timeout' "$work/watch" || { echo "screen-watch hung" >&2; exit 1; }
  if grep -q '^timeout' "$work/watch"; then
    echo "$name: the answer never showed" >&2
    import -window root "$work/timeout-$name.png" && cp "$work/timeout-$name.png" /tmp/ || true
    exit 1
  fi
  local ms pid kb tree
  ms=$(awk '/^shown/ { print $2 }' "$work/watch")
  pid=$(awk '/^started/ { print $2 }' "$work/watch")
  sleep 3  # idle: the page is drawn and the scan's probe has ended
  tree=$(process_tree "$pid")
  kb=$(tree_pss_kb "$pid")
  wmctrl -c "$title"
  wait_exit 10 "$app_pid"
  app_pid=
  [ "$exit_status" = 0 ] || { echo "$name ended with $exit_status" >&2; exit 1; }
  # The next run starts once the web processes have gone too.
  wait_for 10 bash -c "! kill -0 $tree 2>/dev/null" || true
  echo "$ms $kb"
}

# The same-page floor's page: the program's page with this machine's report.
unshare --net timeout 30 "$timing" --snapshot "$work/same-page.html" >/dev/null
[ -s "$work/same-page.html" ] || { echo "page-timing made no snapshot" >&2; exit 1; }

subjects=(bare bare-sw same-page program)

# One run of each first, not counted: WebKit's caches and data folders are
# filled as they are on any later start.
for who in "${subjects[@]}"; do run_once "$who" >/dev/null; done

printf '%-6s %-10s %10s %10s\n' round who "shown ms" "PSS kB"
for who in "${subjects[@]}"; do : >"$work/$who.txt"; done
for ((r = 1; r <= rounds; r++)); do
  # Each round starts with the next subject, so that none always runs first
  # or always after the same one.
  for ((i = 0; i < ${#subjects[@]}; i++)); do
    who=${subjects[(r - 1 + i) % ${#subjects[@]}]}
    run_once "$who" >"$work/result"
    read -r ms kb <"$work/result"
    echo "$ms $kb" >>"$work/$who.txt"
    printf '%-6s %-10s %10s %10s\n' "$r" "$who" "$ms" "$kb"
  done
done

echo
echo "median over $rounds rounds"
for who in "${subjects[@]}"; do
  ms=$(cut -d' ' -f1 "$work/$who.txt" | median)
  kb=$(cut -d' ' -f2 "$work/$who.txt" | median)
  printf '  %-10s %8.1f ms  %8.0f kB\n' "$who" "$ms" "$kb"
  echo "$ms $kb" >"$work/$who.median"
done
read -r program_ms program_kb <"$work/program.median"
echo "program against each floor (aim against bare: ≤ 1.15 × time, ≤ 1.1 × memory)"
for who in bare bare-sw same-page; do
  read -r ms kb <"$work/$who.median"
  awk -v who="$who" -v a="$program_ms" -v b="$ms" -v c="$program_kb" -v d="$kb" \
    'BEGIN { printf "  %-10s %8.3f ×   %8.3f ×\n", who, a / b, c / d }'
done
