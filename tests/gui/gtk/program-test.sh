#!/usr/bin/env bash
# The whole program on a virtual screen, without a network (unshare --net):
# its window, its first report from this machine's own probe read back from
# the page, a second scan, and the end with status 0 when the window is
# closed, also while a scan is still running.
#
# The page's text is read as a user would copy it: select all and copy in the
# web view, then the X clipboard. A scan is held back, when the test wants
# one running, by a stand-in for /bin/sh in the program's own mount
# namespace: while the file "hold" exists, each "sh -c" waits before running
# the real shell with its arguments unchanged.
#
# Usage: program-test.sh PATH-OF-brindle-quay-win11-check [SCREENSHOT-DIR]
set -euo pipefail
program=$1
shots=${2:-}
gui=$(cd "$(dirname "$0")/.." && pwd)
source "$gui/virtual-screen.sh"

on_cleanup() { rm -f "$work/hold"; }  # lets a held probe go, so that it ends by itself
begin_screen_session
title="Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro"

# --- the stand-in for /bin/sh ------------------------------------------------
real_sh=$(readlink -f /bin/sh)
cp "$real_sh" "$work/real-sh"
cat >"$work/sh" <<EOF
#!/bin/bash
if [ "\$1" = -c ]; then
  echo "\$\$" >>"$work/probes"
  if [ -e "$work/hold" ]; then
    echo "\$\$" >>"$work/held"
    while [ -e "$work/hold" ]; do sleep 0.05; done
  fi
fi
exec -a sh "$work/real-sh" "\$@"
EOF
chmod +x "$work/sh"
: >"$work/probes"
: >"$work/held"

count() { wc -l <"$1"; }
# held_scans_are N: N probes have been held back so far (read afresh each call,
# so that wait_for can poll it).
held_scans_are() { test "$(count "$work/held")" = "$1"; }

page_lacks() { ! page_text | grep -qF -- "$1"; }

# A click on the page's header, left of its title: nothing there reacts, and
# the keyboard's tab order starts again from the top of the page.
click_header() {
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
  xdotool mousemove --window "$id" 150 25 click 1
}

# The page's "Quét lại máy": the fourth stop of the tab order, after the
# three tabs.
press_rescan() {
  click_header
  xdotool key Tab Tab Tab Tab Return
}

# What the report must show: this machine's processor, its number of logical
# processors and its system's name, from the files the probe reads them from.
cpu_name=$(awk -F': *' '/^model name/ { print $2; exit }' /proc/cpuinfo | tr -s ' ' | sed 's/^ //; s/ $//')
threads=$(grep -c '^processor' /proc/cpuinfo)
os_name=$(. /etc/os-release && echo "$PRETTY_NAME")
loading="Đang đọc chính xác phần cứng máy tính"

unshare --net --mount bash -c 'mount --bind "$1" "$2" && exec "$3"' _ "$work/sh" "$real_sh" "$program" \
  >"$work/out" 2>"$work/err" &
app_pid=$!

check "the window opens with its title" wait_for 20 has_window "$title"
id=$(window_id "$title")
[ -n "$id" ] || { cat "$work/err"; exit 1; }
geometry=$(xwininfo -id "$id")
check "inner size 840 × 660" bash -c "grep -q 'Width: 840$' <<<'$geometry' && grep -q 'Height: 660$' <<<'$geometry'"
check "minimum inner size 520 × 500" bash -c "xprop -id $id WM_NORMAL_HINTS | grep -q 'minimum size: 520 by 500'"

# --- the first report ----------------------------------------------------------
check "the first report shows this machine's processor ($cpu_name)" wait_for 20 page_shows "$cpu_name"
check "... with $threads logical processors" page_shows "$threads luồng"
check "... on $os_name" page_shows "$os_name"
check "the loading box is gone" page_lacks "$loading"
check "one probe ran for it" test "$(count "$work/probes")" = 1
# The screenshot without the selection that reading the text left, once the
# frame has caught up with the page (under Xvfb WebKit draws in software, and
# a frame lags the page by up to a second or two).
click_header
sleep 2
[ -z "$shots" ] || import -window root "$shots/program-report.png"

# --- a second request ----------------------------------------------------------
touch "$work/hold"
press_rescan
check "the rescan starts a second probe" wait_for 10 held_scans_are 1
check "while it runs, the page waits for it" wait_for 5 page_shows "$loading"
rm "$work/hold"
check "the second report is shown" wait_for 20 page_shows "$cpu_name"
check "... and the loading box is gone again" page_lacks "$loading"

# --- closing while a scan runs -------------------------------------------------
web_processes=$(pgrep -d ' ' -f WebKit -P "$app_pid" || true)
touch "$work/hold"
press_rescan
check "a third scan is running" wait_for 10 held_scans_are 2
wmctrl -c "$title"
wait_exit "$close_seconds" "$app_pid"
app_pid=
check "closing the window while a scan runs ends with status 0 within $close_seconds s (got $exit_status)" test "$exit_status" = 0
check "the web processes end with the program" \
  wait_for "$close_seconds" bash -c "for p in $web_processes; do ! kill -0 \$p 2>/dev/null || exit 1; done"
check "WebKit keeps its data in the temporary directory's BrindleQuayWin11Check_WebView2" \
  test -d "$TMPDIR/BrindleQuayWin11Check_WebView2"
check "nothing was written to standard output or standard error" bash -c "! [ -s '$work/out' ] && ! [ -s '$work/err' ]"
[ ! -s "$work/err" ] || sed 's/^/  stderr: /' "$work/err"

checks_passed
