# Sourced by the GUI tests and benchmarks: a virtual screen with a window
# manager (without one nothing delivers a close request), helpers to wait for
# things on it, the tests' checks, and the benchmarks' measures.

screen_pids=()

# begin_screen_session: makes the temporary folder $work, starts the virtual
# screen in it, and sets an EXIT trap that runs the caller's on_cleanup (if it
# defines one), kills the background job $app_pid (if set), stops the screen
# and removes the folder.
begin_screen_session() {
  work=$(mktemp -d)
  app_pid=
  trap end_screen_session EXIT
  start_virtual_screen "$work"
}

end_screen_session() {
  ! declare -F on_cleanup >/dev/null || on_cleanup
  [ -z "$app_pid" ] || kill -9 "$app_pid" 2>/dev/null || true
  stop_virtual_screen
  rm -rf "$work"
}

# check DESCRIPTION COMMAND...: runs COMMAND and prints "ok" or "FAIL" with
# DESCRIPTION; checks_passed at the end fails the test if any check failed.
check_failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; check_failures=$((check_failures + 1)); fi
}
checks_passed() {
  ((check_failures == 0)) || { echo "$check_failures check(s) failed"; return 1; }
}

# start_virtual_screen DIR: Xvfb on a free display and openbox on it; exports
# DISPLAY, and points the caches and the temporary directory into DIR. The
# screen is 1280 × 900 unless BQ_SCREEN says otherwise (WIDTHxHEIGHTxDEPTH).
start_virtual_screen() {
  local dir=$1
  export TMPDIR=$dir XDG_CACHE_HOME=$dir/cache XDG_CONFIG_HOME=$dir/config XDG_DATA_HOME=$dir/data
  mkdir -p "$XDG_CACHE_HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
  unset WAYLAND_DISPLAY
  Xvfb -displayfd 3 -screen 0 "${BQ_SCREEN:-1280x900x24}" -nolisten tcp 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  screen_pids+=($!)
  wait_for 10 test -s "$dir/display" || { echo "Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$dir/display")"
  # On a loaded machine openbox can take long to take over the screen; an
  # attempt that has not done so in 20 s is stopped and made again.
  local attempt
  for attempt in 1 2 3; do
    openbox --sm-disable >"$dir/openbox.log" 2>&1 &
    screen_pids+=($!)
    wait_for 20 wmctrl -m && return 0
    echo "openbox did not take over the screen (attempt $attempt)" >&2
    sed 's/^/  openbox: /' "$dir/openbox.log" >&2
    kill "${screen_pids[-1]}" 2>/dev/null || true
    wait "${screen_pids[-1]}" 2>/dev/null || true
    unset 'screen_pids[-1]'
  done
  echo "openbox did not start" >&2
  return 1
}

stop_virtual_screen() {
  local i
  for ((i = ${#screen_pids[@]} - 1; i >= 0; i--)); do
    kill "${screen_pids[i]}" 2>/dev/null || true
    wait "${screen_pids[i]}" 2>/dev/null || true
  done
  screen_pids=()
}

# wait_for SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds;
# fails once SECONDS have passed.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    sleep 0.05
  done
}

# window_id TITLE: the id of the managed window with exactly that title.
window_id() {
  wmctrl -l | awk -v title="$1" '{ id = $1; $1 = $2 = $3 = ""; sub(/^ +/, ""); if ($0 == title) print id }' | head -n1
}

has_window() { [ -n "$(window_id "$1")" ]; }

# page_text: what select-all and copy give in the page of window $id (this
# replaces the clipboard); page_shows TEXT: whether that holds TEXT.
page_text() {
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
  xdotool key --clearmodifiers ctrl+a key --clearmodifiers ctrl+c
  sleep 0.1
  timeout 2 xclip -selection clipboard -o 2>/dev/null || true
}
page_shows() { page_text | grep -qF -- "$1"; }

# How long a closed window may take to end its process: an instant on an idle
# machine, several seconds on a heavily loaded one; a close that waited for a
# running worker would take minutes.
close_seconds=15

# wait_exit SECONDS PID: waits for the background job PID and sets
# exit_status to its exit status, or to "timeout" when it still runs after
# SECONDS.
wait_exit() {
  local pid=$2
  if ! wait_for "$1" bash -c "! kill -0 $pid"; then
    exit_status=timeout
    return
  fi
  exit_status=0
  wait "$pid" 2>/dev/null || exit_status=$?
}

# For the benchmarks: processes, their memory, medians.

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

# The median of the numbers on standard input, one a line.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
