#!/usr/bin/env bash
# The page's own actions in the whole program on a virtual screen, without a network (unshare
# --net): "Copy báo cáo gửi Zalo" puts the summary on the X clipboard, the share, product,
# price-list and chat buttons hand their links to the link opener, "Tư vấn gói này" fills the
# form, and a consultation sent from the form ends in the network message in red with its button
# enabled again. Screenshots of the result, the BIOS guide and the upgrade tab go to
# SCREENSHOT-DIR.
#
# The report is pinned so that every text and link is known: in the program's own mount
# namespace a stand-in for /bin/sh answers the probe's "sh -c" with a fixed probe record. The
# link opener is a stand-in xdg-open, first on PATH, that records its argument.
# (program-test.sh runs the program on this machine's own probe: its report and a second scan.)
#
# The page is driven by the keyboard from the document's start: the three tabs, then the verdict
# card's four buttons, then each product card's two buttons.
#
# Usage: page-actions-test.sh PATH-OF-brindle-quay-win11-check DATA-DIR [SCREENSHOT-DIR]
set -euo pipefail
program=$1
data=$2
shots=${3:-}
[ -z "$shots" ] || mkdir -p "$shots"
gui=$(cd "$(dirname "$0")/.." && pwd)
source "$gui/virtual-screen.sh"

begin_screen_session
title="Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro"

# --- what the page must show and send -----------------------------------------------
report=$data/report-needs-bios.json
json_field() {  # json_field FILE EXPRESSION: a value of the report, by a JavaScript expression on r
  node -e 'const r = JSON.parse(require("fs").readFileSync(process.argv[1], "utf8")); process.stdout.write(String(eval(process.argv[2])))' "$1" "$2"
}
share_url=$(json_field "$report" r.shareUrl)
product_url=$(json_field "$report" 'r.recommendedProducts[0].url')
product_text=$(json_field "$report" '`${r.recommendedProducts[0].name} (${r.recommendedProducts[0].price})`')
device=$(json_field "$report" r.deviceName)
vendor_value() { sed -n "s/^#define $1 \"\(.*\)\"\$/\1/p" "$gui/../../src/engine/vendor.hpp"; }
web_host=$(vendor_value BQ_WEB_HOST)
phone_display=$(vendor_value BQ_PHONE_DISPLAY)
phone_digits=$(vendor_value BQ_PHONE_DIGITS)
network_message="Không kết nối được mạng tới BrindleQuay. Bạn có thể nhắn trực tiếp Zalo $phone_display."

# --- stand-ins --------------------------------------------------------------------------
real_sh=$(readlink -f /bin/sh)
cp "$real_sh" "$work/real-sh"
cat >"$work/sh" <<EOF
#!/bin/bash
if [ "\$1" = -c ]; then
  cat "$data/snapshot-needs-bios.json"
  exit 0
fi
exec -a sh "$work/real-sh" "\$@"
EOF
mkdir "$work/bin"
cat >"$work/bin/xdg-open" <<EOF
#!/bin/bash
printf '%s\n' "\$*" >>"$work/opened"
EOF
chmod +x "$work/sh" "$work/bin/xdg-open"
: >"$work/opened"

PATH="$work/bin:$PATH" unshare --net --mount bash -c 'mount --bind "$1" "$2" && exec "$3"' _ "$work/sh" "$real_sh" \
  "$program" >"$work/out" 2>"$work/err" &
app_pid=$!

check "the window opens" wait_for 20 has_window "$title"
id=$(window_id "$title")
[ -n "$id" ] || { cat "$work/err"; exit 1; }

keys() { xdotool key --clearmodifiers --delay 30 "$@"; }
clipboard() { timeout 2 xclip -selection clipboard -o 2>/dev/null || true; }
# page_text: what select-all and copy in the page give (this replaces the clipboard).
page_text() {
  keys ctrl+a ctrl+c
  sleep 0.1
  clipboard
}
page_shows() { page_text | grep -qF -- "$1"; }
clipboard_is() { [ "$(clipboard; echo .)" = "$(cat "$1"; echo .)" ]; }
opened_line() { [ "$(sed -n "$1p" "$work/opened")" = "$2" ]; }
shot() { [ -z "$shots" ] || import -window "$id" "$shots/$1.png"; }
# pixels COLOUR FILE: how many pixels of the screenshot have exactly that colour.
pixels() { convert "$2" -fill black +opaque "$1" -fill white -opaque "$1" -format '%[fx:round(mean*w*h)]' info:; }
has_pixels() { (($(pixels "$1" "$2") >= $3)); }

# click X Y: a click at that point of the window's client area.
click() { xdotool mousemove --window "$id" "$1" "$2" click 1; }
# The header's title: nothing there takes the focus, so the keyboard's next Tab goes to the first
# tab button; a click there also clears a selection left by page_text.
click_header() { click 420 24; }
# toast_shown: the toast's dark box stands in the window's bottom right corner.
toast_shown() {
  import -window "$id" "$work/toast.png"
  convert "$work/toast.png" -gravity southeast -crop 300x40+20+20 +repage "$work/toast-corner.png"
  has_pixels '#0e1014' "$work/toast-corner.png" 6000
}
no_toast() { ! toast_shown; }
# sent_in_red: the window's screenshot, in $work/sent.png, shows text in the page's red.
sent_in_red() {
  import -window "$id" "$work/sent.png"
  has_pixels '#c81e1e' "$work/sent.png" 50
}

# drawn: the window shows the page's primary blue (the first frame lags the page under Xvfb).
drawn() {
  import -window "$id" "$work/frame.png"
  has_pixels '#0060eb' "$work/frame.png" 500
}

xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
check "the pinned report renders" wait_for 20 page_shows "$device"
click_header
check "the report reaches the screen" wait_for 10 drawn
shot program-result

# --- copy ------------------------------------------------------------------------------
check "no toast before the copy" no_toast
keys Tab Tab Tab Tab Tab Return  # "Copy báo cáo gửi Zalo"
check "the summary is on the X clipboard, byte for byte" wait_for 5 clipboard_is "$data/summary-needs-bios.txt"
check "the toast confirms it" wait_for 5 toast_shown
shot program-copied

# --- links -----------------------------------------------------------------------------
keys Tab Return  # "Mở báo cáo trên Web"
check "the share button hands the report's share link to the link opener" wait_for 5 opened_line 1 "$share_url"
keys Tab Tab Return  # the first product card's "Xem chi tiết"
check "a product's \"Xem chi tiết\" hands its link to the link opener" wait_for 5 opened_line 2 "$product_url"

# --- the consultation form ------------------------------------------------------------
keys Tab Return  # the same card's "Tư vấn gói này": the upgrade tab, the keyboard in the phone field
sleep 0.3
xdotool type --delay 30 "0987 654 321"
sleep 3  # the copy's toast has gone
shot program-upgrade
keys shift+Tab ctrl+a ctrl+c End  # the product field's text
sleep 0.1
check "\"Tư vấn gói này\" put the product into the form" bash -c "[ \"\$(timeout 2 xclip -selection clipboard -o)\" = '$product_text' ]"
keys Tab Tab Tab Return  # phone, attach, "Gửi yêu cầu tư vấn (3 phút)"
check "without a network the form ends in red" wait_for 40 sent_in_red
check "... with the send button enabled again (its full green, not dimmed)" has_pixels '#08783e' "$work/sent.png" 3000
[ -z "$shots" ] || cp "$work/sent.png" "$shots/program-upgrade-sent.png"
check "... and the network message" page_shows "$network_message"
keys Tab Return  # "Xem bảng giá Windows 11 Pro"
check "the price list button hands its link to the link opener" wait_for 5 opened_line 3 "https://$web_host/windows"
keys Tab Return  # "Nhắn Zalo …"
check "the chat button hands its link to the link opener" wait_for 5 opened_line 4 "https://zalo.me/$phone_digits"

# --- the BIOS guide --------------------------------------------------------------------
click 420 66  # "2. Hướng dẫn bật TPM / BIOS"
check "the BIOS guide opens" wait_for 5 page_shows "Bước 3: Bật Secure Boot & UEFI"
click_header
sleep 0.5  # the frame catches up with the page
shot program-bios

check "nothing else was opened" test "$(wc -l <"$work/opened")" = 4
wmctrl -c "$title"
wait_exit "$close_seconds" "$app_pid"
app_pid=
check "closing the window ends the program with status 0 (got $exit_status)" test "$exit_status" = 0
check "nothing was written to standard error" test ! -s "$work/err"
[ ! -s "$work/err" ] || sed 's/^/  stderr: /' "$work/err"

checks_passed
