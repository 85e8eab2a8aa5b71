#!/usr/bin/env bash
# Start-up phases (a benchmark, not a test): where the time goes between the
# program's start and its first report on the screen, from page-timing's time
# line under screen-watch on a virtual screen. Each page given is run in turn,
# ROUNDS times, after one run of each that is not counted; the medians of
# each phase are printed, in milliseconds:
#   main          process start to main
#   window        main to the window built
#   web-view      window to the web view built (its load asked for)
#   committed     web view to WebKit's commit of the page (the web process up)
#   scan-posted   commit to the page's first request
#   probe         request to its reply handed to the web view (probe, bridge)
#   reply-wait    reply handed over to its arrival in the page, which is busy
#                 with its first frame (the loading state) meanwhile
#   render        the page's script rendering the reply
#   layout        style and layout of the rendered report
#   paint         layout to the first task after the report's frame
#   to-screen     that task to the report's pixel seen on the screen
#   shown         process start to the report on the screen
#   first-frame   commit to the first frame's animation callbacks
#   pss-kb        memory of the process tree once idle (kB)
#
# Usage: tests/gui/gtk/bench-page.sh BUILD-DIR [ROUNDS [HTML-FILE...]]
#   Without HTML-FILE the program's embedded page is run; "-" stands for it
#   among files (to compare a changed copy of ui/index.html with it).
set -euo pipefail
build=$(cd "$1" && pwd)
rounds=${2:-7}
shift $(($# < 2 ? $# : 2))
pages=("$@")
((${#pages[@]})) || pages=(-)
gui=$(cd "$(dirname "$0")/.." && pwd)
source "$gui/virtual-screen.sh"

watch=$build/tests/screen-watch
timing=$build/tests/page-timing
for f in "$watch" "$timing"; do [ -x "$f" ] || { echo "missing $f" >&2; exit 2; }; done
report_pixel=(300 240 700 0060eb)

begin_screen_session

# run_once PAGE: prints "PHASE=MS ..." for one run.
run_once() {
  local page=() pid kb tree
  [ "$1" = - ] || page=("$1")
  unshare --net "$watch" "${report_pixel[@]}" 30000 -- "$timing" "${page[@]}" >"$work/line" 2>"$work/err" &
  app_pid=$!
  wait_for 35 grep -q -e '^shown' -e '^timeout' "$work/line" || { echo "screen-watch hung" >&2; exit 1; }
  grep -q '^shown' "$work/line" || { echo "$1: the report never showed" >&2; exit 1; }
  wait_for 5 grep -q 'mark:frame-done' "$work/line" || true
  sleep 2  # idle: the probe has ended
  pid=$(awk '/^started/ { print $2 }' "$work/line")
  tree=$(process_tree "$pid")
  kb=$(tree_pss_kb "$pid")
  wmctrl -c page-timing
  wait_exit 10 "$app_pid"
  app_pid=
  # The next run starts once the web processes have gone too.
  wait_for 10 bash -c "! kill -0 $tree 2>/dev/null" || true
  awk -v kb="$kb" '
    /^origin/ { o = $2 }
    /^shown/ { shown = $2 }
    $1 ~ /^[0-9.]+$/ { t = $1 - o }
    $2 == "main" || $2 == "window" || $2 == "web-view" || $2 == "load-committed" { at[$2] = t }
    $2 == "post" && $3 ~ /scan_hardware/ && !("scan" in at) { at["scan"] = t }
    $2 == "reply" && !("reply" in at) { at["reply"] = t }
    $2 == "post" && $3 ~ /^mark:/ { m = substr($3, 6); if (!(m in at)) at[m] = t }
    END {
      printf "main=%.1f window=%.1f web-view=%.1f committed=%.1f scan-posted=%.1f probe=%.1f",
        at["main"], at["window"] - at["main"], at["web-view"] - at["window"], at["load-committed"] - at["web-view"],
        at["scan"] - at["load-committed"], at["reply"] - at["scan"]
      printf " reply-wait=%.1f render=%.1f layout=%.1f paint=%.1f to-screen=%.1f shown=%.1f",
        at["reply-in"] - at["reply"], at["rendered"] - at["reply-in"], at["layout"] - at["rendered"],
        at["frame-done"] - at["layout"], shown - at["frame-done"], shown
      printf " first-frame=%.1f pss-kb=%d\n", at["first-frame"] - at["load-committed"], kb
    }' "$work/line"
}

for page in "${pages[@]}"; do run_once "$page" >/dev/null; done
for i in "${!pages[@]}"; do : >"$work/runs.$i"; done
printf '%-6s %-14s %10s %10s\n' round page "shown ms" "layout ms"
for ((r = 1; r <= rounds; r++)); do
  # Each round starts with the next page, so that none always runs first.
  for ((j = 0; j < ${#pages[@]}; j++)); do
    i=$(((r - 1 + j) % ${#pages[@]}))
    run_once "${pages[i]}" >"$work/run"
    cat "$work/run" >>"$work/runs.$i"
    printf '%-6s %-14s %10s %10s\n' "$r" "$(basename -- "${pages[i]}" | cut -c1-14)" \
      "$(tr ' ' '\n' <"$work/run" | awk -F= '$1 == "shown" { print $2 }')" \
      "$(tr ' ' '\n' <"$work/run" | awk -F= '$1 == "layout" { print $2 }')"
  done
done
echo

phases=(main window web-view committed scan-posted probe reply-wait render layout paint to-screen shown first-frame pss-kb)
printf '%-12s' phase
for page in "${pages[@]}"; do printf ' %14s' "$(basename -- "$page" | cut -c1-14)"; done
echo
for phase in "${phases[@]}"; do
  printf '%-12s' "$phase"
  for i in "${!pages[@]}"; do
    printf ' %14s' "$(tr ' ' '\n' <"$work/runs.$i" | awk -F= -v p="$phase" '$1 == p { print $2 }' | median)"
  done
  echo
done
echo "(medians over $rounds rounds, ms unless named)"
