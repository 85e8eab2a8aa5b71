#!/usr/bin/env bash
# Takes the README's picture of the program: its window with the first report of this machine, on
# a virtual screen, without a network (unshare --net, as root).
#
# Usage: scripts/screenshot.sh [BUILD-DIR [PNG]]
#   BUILD-DIR  holds src/brindle-quay-win11-check (build/program, as ./scripts/run.sh builds it,
#              by default)
#   PNG        docs/report.png by default
# Needs the tests' packages (scripts/setup-debian.sh tests): Xvfb, openbox, wmctrl, xdotool,
# xclip and ImageMagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(cd "${1:-$root/build/program}" && pwd)/src/brindle-quay-win11-check
png=$(realpath -m "${2:-$root/docs/report.png}")
source "$root/tests/gui/virtual-screen.sh"

begin_screen_session
title="Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro"
# The report is in when the page's text names this machine's processor.
cpu_name=$(awk -F': *' '/^model name/ { print $2; exit }' /proc/cpuinfo | tr -s ' ' | sed 's/^ //; s/ $//')

unshare --net "$program" >"$work/out" 2>"$work/err" &
app_pid=$!
wait_for 30 has_window "$title" || { cat "$work/err" >&2; echo "screenshot: no window" >&2; exit 1; }
id=$(window_id "$title")
wait_for 30 page_shows "$cpu_name" || { echo "screenshot: the report did not show" >&2; exit 1; }
# A click on the page's header clears the selection that reading the text left; WebKit draws in
# software here, and its frame can lag the page by a second or two.
xdotool mousemove --window "$id" 150 25 click 1
sleep 2
mkdir -p "$(dirname "$png")"
import -window "$id" -strip "$png"
wmctrl -c "$title"
wait_exit "$close_seconds" "$app_pid"
[ "$exit_status" = 0 ] && app_pid= || echo "screenshot: the program ended with $exit_status" >&2
echo "screenshot: $png"
