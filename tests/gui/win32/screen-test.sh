#!/usr/bin/env bash
# Runs a Windows test program under wine on a virtual screen with a window
# manager (wine waits for the window manager's answer whenever it shows a
# window, and the tests look at windows as a user would), with the prefix's
# screen set to DPI dots per inch (96 is a scale of 100 %, 144 of 150 %). The
# program learns the DPI asked for from BQ_EXPECT_DPI.
# Usage: screen-test.sh WINE-RUN PREFIX DPI PROGRAM [ARGUMENTS...]
set -euo pipefail
wine_run=$1
prefix=$2
dpi=$3
shift 3
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/virtual-screen.sh"

# Large enough for the program's window at 150 %, as a 1920 × 1080 screen is.
export BQ_SCREEN=1920x1080x24
begin_screen_session
key='HKCU\Control Panel\Desktop'
# A prefix without the value is at 96, wine's default.
current=$("$wine_run" "$prefix" reg query "$key" /v LogPixels 2>/dev/null | grep -o '0x[0-9a-fA-F]*' || echo 96)
if ((current != dpi)); then
  "$wine_run" "$prefix" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  # The prefix's programs already running, its desktop among them, keep the
  # DPI they started with, and the system then tells another process's
  # window that DPI: end them all. Only a prefix of this test's own (the one
  # at 150 %) changes its DPI here, so no other test's program is running.
  WINEPREFIX=$prefix wineserver -k
fi
status=0
BQ_EXPECT_DPI=$dpi "$wine_run" "$prefix" "$@" || status=$?
exit "$status"
