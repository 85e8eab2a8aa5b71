#!/usr/bin/env bash
# Tries the README's two commands as a new user would, on a fresh Debian 12: a minimal root
# (debootstrap --variant=minbase bookworm) given only git and ca-certificates, and the .NET SDK
# that the test command needs (Debian does not package it: this machine's own is copied in, with
# its NuGet settings), a clone of this repository in it, then ./scripts/run.sh until its window
# shows on a virtual screen, and ./scripts/test.sh to its end. Prints how long each took.
#
# Not a test and not part of CI: it downloads several hundred megabytes from Debian's archive and
# the npm and NuGet registries, and needs root (debootstrap, chroot, mounts).
#
# Usage: scripts/check-fresh-debian.sh ROOT-DIR [REPOSITORY]
#   ROOT-DIR    a folder that does not exist yet or is empty; the root stays there afterwards,
#               with the logs and a screenshot of the run command's window beside it
#               (ROOT-DIR.run.log, ROOT-DIR.test.log, ROOT-DIR.run.png)
#   REPOSITORY  what to clone: this repository by default (its checked-out branch, committed
#               work only)
# Environment: MIRROR, the Debian archive for bookworm and bookworm-updates, and SECURITY_MIRROR,
# the one for bookworm-security (by default the archives that this machine's own apt sources
# name for those suites, component main); CHECK_DISPLAY, the display number of the virtual
# screen (by default Xvfb picks a free one).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 1 ] || {
  echo "usage: $0 ROOT-DIR [REPOSITORY]" >&2
  exit 2
}
repo=${2:-$root}
. "$root/scripts/common.sh"
mirror=${MIRROR:-$(apt_archives bookworm Packages main | head -n 1)}
security_mirror=${SECURITY_MIRROR:-$(apt_archives bookworm-security Packages main | head -n 1)}
[ -n "$mirror" ] || {
  echo "check: no bookworm main in this machine's apt sources (apt-get indextargets); set MIRROR" >&2
  exit 1
}
[ -n "$security_mirror" ] || {
  echo "check: no bookworm-security main in this machine's apt sources (apt-get indextargets);" \
    "set SECURITY_MIRROR" >&2
  exit 1
}
title="Brindle Quay — Kiểm tra điều kiện cài đặt Windows 11 Pro"
dotnet=$(command -v dotnet || true)
[ -n "$dotnet" ] || {
  echo "check: this machine has no .NET SDK (dotnet) to copy into the root; install the .NET SDK 10" >&2
  exit 1
}
dotnet_home=$(dirname "$(readlink -f "$dotnet")")

[ "$(id -u)" -eq 0 ] || {
  echo "check: run as root (debootstrap, chroot and the mounts need it)" >&2
  exit 1
}
if [ -e "$1" ] && [ -n "$(ls -A "$1")" ]; then
  echo "check: $1 is not empty" >&2
  exit 1
fi
mkdir -p "$1"
fresh=$(cd "$1" && pwd)

xvfb_pid=
cleanup() {
  # Whatever still runs inside the root (the program, a test's virtual screen) was started here.
  local proc pid
  for proc in /proc/[0-9]*; do
    pid=${proc#/proc/}
    [ "$(readlink "$proc/root" 2>/dev/null)" = "$fresh" ] && kill -9 "$pid" 2>/dev/null || true
  done
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  # The root's own bind mount holds every other mount below it.
  if findmnt -rn -o TARGET | grep -qxF "$fresh"; then umount -R "$fresh"; fi
  if findmnt -rn -o TARGET | grep -q "^$fresh/"; then
    findmnt -rn -o TARGET | grep "^$fresh/" | sort -r | xargs -r -n1 umount
  fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# in_root COMMAND: runs COMMAND with bash inside the root, as root, in a clean environment.
in_root() {
  chroot "$fresh" /usr/bin/env -i HOME=/root TERM=dumb DISPLAY="${DISPLAY:-}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c "$1"
}

now() { date +%s.%N; }
took() { awk -v a="$1" -v b="$2" 'BEGIN { s = b - a; printf "%d min %04.1f s", s / 60, s - 60 * int(s / 60) }'; }

# --- a fresh Debian 12 --------------------------------------------------------------
echo "check: debootstrap into $fresh from $mirror"
debootstrap --variant=minbase bookworm "$fresh" "$mirror" >"$fresh.debootstrap.log" 2>&1 ||
  { tail -n 20 "$fresh.debootstrap.log" >&2; exit 1; }
# debootstrap can leave its own /proc mounted.
if findmnt -rn -o TARGET | grep -q "^$fresh/"; then
  findmnt -rn -o TARGET | grep "^$fresh/" | sort -r | xargs -r -n1 umount
fi
# The suites an installed Debian 12 follows, not only the one debootstrap used.
cat >"$fresh/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security_mirror bookworm-security main
EOF
cp /etc/resolv.conf "$fresh/etc/resolv.conf"

# unshare --net, which the tests use, needs / to be a mount point.
mount --bind "$fresh" "$fresh"
mount --make-private "$fresh"
for dir in proc sys dev; do
  mount --rbind "/$dir" "$fresh/$dir"
  # Nothing unmounted in the root may reach this machine's own mounts.
  mount --make-rslave "$fresh/$dir"
done

# This machine's network may inspect TLS: its own authorities go in before ca-certificates is
# installed, as they would on a machine set up on such a network.
shopt -s nullglob
authorities=(/usr/local/share/ca-certificates/*.crt)
if ((${#authorities[@]})); then
  mkdir -p "$fresh/usr/local/share/ca-certificates"
  cp "${authorities[@]}" "$fresh/usr/local/share/ca-certificates/"
fi

echo "check: installing git and ca-certificates"
in_root 'apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends git ca-certificates' \
  >"$fresh.apt.log" 2>&1 || { tail -n 20 "$fresh.apt.log" >&2; exit 1; }

# The .NET SDK as a user would install it from Microsoft's archive: the SDK's folder, the
# libraries it needs, and the NuGet client's settings of this machine.
echo "check: installing the .NET SDK from $dotnet_home"
mkdir -p "$fresh$dotnet_home"
cp -a "$dotnet_home/." "$fresh$dotnet_home/"
ln -sf "$dotnet_home/dotnet" "$fresh/usr/bin/dotnet"
if [ -f "$HOME/.nuget/NuGet/NuGet.Config" ]; then
  mkdir -p "$fresh/root/.nuget/NuGet"
  cp "$HOME/.nuget/NuGet/NuGet.Config" "$fresh/root/.nuget/NuGet/"
fi
in_root 'DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends libicu72' \
  >>"$fresh.apt.log" 2>&1 || { tail -n 20 "$fresh.apt.log" >&2; exit 1; }
in_root 'DOTNET_NOLOGO=1 DOTNET_CLI_TELEMETRY_OPTOUT=1 dotnet --version' >/dev/null ||
  { echo "check: FAIL the .NET SDK does not run in the root" >&2; exit 1; }

git clone -q --bare "$repo" "$fresh/srv/project.git"
in_root 'git clone -q /srv/project.git /root/project'
echo "check: cloned $(in_root 'git -C /root/project log --oneline -1')"

# --- the run command, on a virtual screen ----------------------------------------------
# The screen runs outside the root; the program reaches it through X's abstract socket, which
# the root shares with this machine's network namespace.
if [ -n "${CHECK_DISPLAY:-}" ]; then
  Xvfb ":$CHECK_DISPLAY" -screen 0 1280x900x24 -nolisten tcp >"$fresh.xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$CHECK_DISPLAY"
else
  Xvfb -displayfd 4 -screen 0 1280x900x24 -nolisten tcp 4>"$fresh.display" >"$fresh.xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$fresh.display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$fresh.display")"
fi
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

echo "check: ./scripts/run.sh on $DISPLAY"
start=$(now)
setsid chroot "$fresh" /usr/bin/env -i HOME=/root TERM=dumb DISPLAY="$DISPLAY" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  /bin/bash -c 'cd /root/project && ./scripts/run.sh' >"$fresh.run.log" 2>&1 &
run_pid=$!
# The set-up and the build take minutes, the window shows within seconds of them; an hour is
# beyond anything that works.
window_shown() { xwininfo -root -children 2>/dev/null | grep -qF "\"$title\": ("; }
shown=
deadline=$((SECONDS + 3600))
while kill -0 "$run_pid" 2>/dev/null && ((SECONDS < deadline)); do
  if window_shown; then
    shown=$(now)
    break
  fi
  sleep 0.5
done
if [ -z "$shown" ]; then
  tail -n 30 "$fresh.run.log" >&2
  echo "check: FAIL the run command did not show its window" >&2
  exit 1
fi
# A look at what it shows a few seconds later, for the record.
sleep 5
import -window root "$fresh.run.png" || true
kill -- -"$run_pid" 2>/dev/null || true
wait "$run_pid" 2>/dev/null || true
run_time=$(took "$start" "$shown")
echo "check: ok   the run command showed its window after $run_time"

# --- the test command ----------------------------------------------------------------
echo "check: ./scripts/test.sh (log: $fresh.test.log)"
start=$(now)
status=0
in_root 'cd /root/project && ./scripts/test.sh' >"$fresh.test.log" 2>&1 || status=$?
test_time=$(took "$start" "$(now)")
grep -E 'tests passed|tests failed|The following tests FAILED|^\s+[0-9]+ - ' "$fresh.test.log" || true
if [ "$status" -ne 0 ]; then
  tail -n 30 "$fresh.test.log" >&2
  echo "check: FAIL the test command ended with status $status after $test_time" >&2
  exit 1
fi
echo "check: ok   the test command passed in $test_time"
echo "check: run command $run_time to its window; test command $test_time"
