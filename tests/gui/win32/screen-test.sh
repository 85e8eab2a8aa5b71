#!/usr/bin/env bash
# Runs a Windows test program on a virtual screen with a window manager: wine
# waits for the window manager's answer whenever it shows a window, and the
# tests look at windows as a user would.
# Usage: screen-test.sh COMMAND... (the emulator, the program, its arguments)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/virtual-screen.sh"

begin_screen_session
status=0
"$@" || status=$?
exit "$status"
