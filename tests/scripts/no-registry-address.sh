#!/usr/bin/env bash
# No tracked file of the project names the host of a package registry that this
# machine reaches: a machine may reach its packages through another mirror, and
# the address is the machine's own setting. The hosts come from the machine's
# settings, read with commands that only print them (no network): the URIs of
# apt's sources, npm's registry and NuGet's sources when npm and dotnet are
# installed. Each is looked for, ignoring case, in every tracked file.
#
# Usage: tests/scripts/no-registry-address.sh [SOURCE-DIR]   (this checkout by default)
set -euo pipefail
src=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$src"

if ! out=$(git rev-parse --is-inside-work-tree 2>&1); then
  case "$out" in
    *"not a git repository"*)
      echo "no-registry-address: skipped, $src is not a git checkout (no tracked files to search)"
      exit 0
      ;;
  esac
  echo "no-registry-address: git cannot read $src: $out" >&2
  exit 1
fi

# hosts: the host part of each URI on standard input (scheme://[user@]host[:port]/...);
# URIs without a host (file:, cdrom:) give none.
hosts() {
  grep -o '[A-Za-z][A-Za-z0-9+.-]*://[^[:space:]/]*' |
    sed -E 's#^[^:]*://##; s#^.*@##; s#:[0-9]+$##' | grep -v '^$' || true
}

found=$(
  {
    apt-get indextargets --no-release-info --format '$(REPO_URI)'
    if command -v npm >/dev/null; then npm config get registry 2>/dev/null; fi
    if command -v dotnet >/dev/null; then
      DOTNET_CLI_TELEMETRY_OPTOUT=1 DOTNET_NOLOGO=1 DOTNET_SKIP_FIRST_TIME_EXPERIENCE=1 \
        dotnet nuget list source 2>/dev/null
    fi
  } | hosts | tr 'A-Z' 'a-z' | sort -u
)
if [ -z "$found" ]; then
  echo "no-registry-address: FAIL found no registry host in this machine's settings" >&2
  exit 1
fi

hits=
while read -r host; do
  status=0
  lines=$(git grep -n -F -i -e "$host") || status=$?
  case "$status" in
    0) hits+=$(sed "s|^|$host: |" <<<"$lines")$'\n' ;;
    1) ;;
    *) exit "$status" ;;
  esac
done <<<"$found"

echo "no-registry-address: looked for" $found
if [ -n "$hits" ]; then
  printf '%s' "$hits" >&2
  echo "no-registry-address: FAIL tracked files name a registry host (above); take it from the machine's settings instead" >&2
  exit 1
fi
echo "no-registry-address: ok, no tracked file names one"
