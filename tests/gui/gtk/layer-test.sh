#!/usr/bin/env bash
# The window, event loop and web view layers on a virtual screen, through
# gui-layer-app: the page reaches the native side before its own scripts
# run, replies from worker threads change the page, the window has its
# attributes, closing it ends the process with status 0 while a worker still
# runs, the error box and the fatal errors.
# Usage: layer-test.sh PATH-OF-gui-layer-app [SCREENSHOT-DIR]
set -euo pipefail
app=$1
shots=${2:-}
gui=$(cd "$(dirname "$0")/.." && pwd)
source "$gui/virtual-screen.sh"

has_line() { grep -qxF -- "$2" "$1"; }

begin_screen_session
title="Lớp cửa sổ — kiểm tra"

# --- the echo page -----------------------------------------------------------
unshare --net "$app" echo >"$work/out" 2>"$work/err" &
app_pid=$!
wait_for 30 grep -qx sleeping "$work/out" || { echo "the page did not finish:"; cat "$work/out" "$work/err"; exit 1; }
out=$work/out
check "the web view paints without hardware acceleration" has_line "$out" "acceleration: never"
check "window.ipc exists before the page's first script" has_line "$out" "message: ipc-at-first-script:function"
check "the page is loaded at the program's own base" has_line "$out" "message: origin:bq-page://app/"
check "the page is a secure context (the clipboard is offered)" has_line "$out" "message: secure:true:function"
check "a relative reference loads nothing" has_line "$out" "message: relative-image:error"
check "UTF-8, quotes and backslashes arrive unchanged" has_line "$out" 'message: Tiếng Việt — “ngoặc” \ "q"'
check "texts arrive in the order posted" \
  bash -c "[ \"\$(grep -ao '^message: n:[0-9]*$' '$out' | cut -d: -f3 | tr '\n' ' ')\" = '$(seq -s ' ' 1 40) ' ]"
check "a text holding U+0000 arrives whole" bash -c "tr '\\0' @ <'$out' | grep -qx 'message: nul:@:end'"
check "posted values that are not strings are dropped" bash -c "! grep -q -e '^message: 42$' -e 'object' '$out'"
check "every reply from a worker reached the page's DOM once" has_line "$out" "message: dom-complete:true"
check "a script that does not compile changes nothing" has_line "$out" "message: dom-after-bad:true"

id=$(window_id "$title")
check "the window has its title" test -n "$id"
geometry=$(xwininfo -id "$id")
check "inner size 640 × 480" bash -c "grep -q 'Width: 640$' <<<'$geometry' && grep -q 'Height: 480$' <<<'$geometry'"
check "minimum size hint 400 × 300" bash -c "xprop -id $id WM_NORMAL_HINTS | grep -q 'minimum size: 400 by 300'"
xdotool windowactivate --sync "$id" key --clearmodifiers ctrl+a key --clearmodifiers ctrl+c
check "keys reach the page without a click first (select all, copy)" \
  wait_for 3 bash -c "timeout 2 xclip -selection clipboard -o | grep -qx 'Lớp cửa sổ'"
check "the replies are on the page as text" \
  bash -c "timeout 2 xclip -selection clipboard -o | grep -qx 'n:40'"
sleep 1  # the first frame follows the page's load by a moment
[ -z "$shots" ] || import -window root "$shots/layer-echo.png"
xdotool windowsize "$id" 100 100
check "the window cannot be made smaller than its minimum" \
  wait_for 5 bash -c "xwininfo -id $id | grep -q 'Width: 400$' && xwininfo -id $id | grep -q 'Height: 300$'"
check "WebKit made the data folder under the temporary directory" test -d "$TMPDIR/gui-layer-app-data"

web_processes=$(pgrep -d ' ' -f WebKit -P "$app_pid" || true)
check "the web processes run" test -n "$web_processes"
wmctrl -c "$title"
wait_exit "$close_seconds" "$app_pid"
app_pid=
check "closing the window while a worker sleeps ends with status 0 (got $exit_status)" test "$exit_status" = 0
check "the close request ended the loop" bash -c "grep -qx 'close requested' '$out' && grep -qx 'loop ended' '$out'"
check "nothing was written to standard error" test ! -s "$work/err"
check "the web processes end with the program" \
  wait_for "$close_seconds" bash -c "for p in $web_processes; do ! kill -0 \$p 2>/dev/null || exit 1; done"

# --- the error box -----------------------------------------------------------
"$app" error-box >"$work/box-out" 2>"$work/box-err" &
app_pid=$!
check "the error box appears" wait_for 15 has_window "Brindle Quay Win11 Check"
box=$(window_id "Brindle Quay Win11 Check")
check "the error box is a dialog without a parent" \
  bash -c "xprop -id $box _NET_WM_WINDOW_TYPE | grep -q DIALOG && xprop -id $box WM_TRANSIENT_FOR | grep -q 'not found'"
[ -z "$shots" ] || import -window root "$shots/layer-error-box.png"
check "the process waits for the box" kill -0 "$app_pid"
xdotool windowactivate --sync "$box" key Return
wait_exit "$close_seconds" "$app_pid"
app_pid=
check "after OK the process aborts (got $exit_status)" test "$exit_status" = 134
check "the fatal error names the web view's error" \
  bash -c "[ \"\$(cat '$work/box-err')\" = 'WebView2 init error: lỗi thử nghiệm' ]"

# --- no display ----------------------------------------------------------------
env -u DISPLAY "$app" echo >/dev/null 2>"$work/nodisplay-err" &
app_pid=$!
wait_exit 10 "$app_pid"
app_pid=
check "without a display the process aborts (got $exit_status)" test "$exit_status" = 134
check "the fatal error says the display could not be opened" grep -q '^Không mở được màn hình: ' "$work/nodisplay-err"

checks_passed
