#!/bin/sh
# Runs a Windows program under wine in the build's own prefix:
#   wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# The first start in a new prefix takes several seconds; tests start in
# parallel, so one of them prepares the prefix under a lock while the others
# wait for it. The program's exit status is passed on.
set -eu
prefix=$1
shift

if [ -x /usr/lib/wine/wine64 ]; then
  wine=/usr/lib/wine/wine64
  wineserver=/usr/lib/wine/wineserver64
else
  wine=wine
  wineserver=wineserver
fi

export WINEPREFIX="$prefix" WINEDEBUG=-all
# No Mono or Gecko installer at the prefix's creation: nothing here needs them,
# and nothing may download. A test's own overrides are kept after these.
export WINEDLLOVERRIDES="mscoree=;mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

if [ ! -e "$prefix/.bq-ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -e "$prefix/.bq-ready" ]; then
      "$wine" wineboot --init </dev/null >/dev/null 2>&1
      # A crashing test reports on standard error instead of opening a dialog.
      "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      touch "$prefix/.bq-ready"
    fi
  ) 9>"$prefix.lock"
fi

# The wineserver is started here, holding none of the program's standard
# streams. One that the program started itself would hold them open as long
# as any program of the prefix runs, and whoever reads them (CTest) would wait
# for it. It stays 5 s after the prefix's last program, so the next test
# finds it; when one is running already this start does nothing.
"$wineserver" -p5 </dev/null >/dev/null 2>&1 || true

exec "$wine" "$@"
