#!/usr/bin/env bash
# The WebView2 SDK of the Windows build: one pinned version of the NuGet
# package Microsoft.Web.WebView2, fetched by the machine's own NuGet client as
# it is configured (the .NET SDK's dotnet), checked against the SHA-512 pinned
# here, and unpacked into BQ_MINGW_DEPS/webview2: the header, the x64 loader
# DLL that goes beside the program, and the package's licence. Nothing is
# fetched again while the pin stays the same.
# Called by scripts/setup-debian.sh, after scripts/setup-mingw-deps.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/common.sh"
prefix=${BQ_MINGW_DEPS:-/opt/brindle-quay-mingw64}
sdk=$prefix/webview2
id=Microsoft.Web.WebView2
version=1.0.4314.35
# sha512sum of the .nupkg (NuGet's own .nupkg.sha512 is the same in base64).
sha512=70e6a256a3f7066407327c46a59cc034cdb6b545e0c9cae2b322478c818dcc868cb26f225e3ecac7e71e620f916d8c09b734f4d3da9f7054e872f54b63e7a433
stamp="$id $version $sha512"

if [ -f "$sdk/stamp" ] && [ "$(cat "$sdk/stamp")" = "$stamp" ]; then
  exit 0
fi
if ! command -v dotnet >/dev/null; then
  echo "setup-webview2-sdk: dotnet is missing: install the .NET SDK 10, whose NuGet client fetches $id $version" >&2
  exit 1
fi
for tool in unzip sha512sum; do
  command -v "$tool" >/dev/null || {
    echo "setup-webview2-sdk: $tool is missing: run scripts/setup-debian.sh" >&2
    exit 1
  }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "setup-webview2-sdk: fetching $id $version"
DOTNET_NOLOGO=1 DOTNET_CLI_TELEMETRY_OPTOUT=1 \
  dotnet package download "$id@$version" --output "$work/packages" >"$work/download.log" 2>&1 || {
  cat "$work/download.log" >&2
  exit 1
}
lower=${id,,}
package="$work/packages/$lower/$version/$lower.$version.nupkg"
if ! echo "$sha512  $package" | sha512sum -c --status -; then
  echo "setup-webview2-sdk: $id $version does not match its pinned SHA-512" >&2
  exit 1
fi

mkdir -p "$work/sdk/include" "$work/sdk/x64"
unzip -p "$package" build/native/include/WebView2.h >"$work/sdk/include/WebView2.h"
unzip -p "$package" build/native/x64/WebView2Loader.dll >"$work/sdk/x64/WebView2Loader.dll"
unzip -p "$package" LICENSE.txt >"$work/sdk/LICENSE.txt"
printf '%s\n' "$stamp" >"$work/sdk/stamp"

as_root mkdir -p "$prefix"
as_root rm -rf "$sdk.new"
as_root cp -R "$work/sdk" "$sdk.new"
as_root rm -rf "$sdk"
as_root mv "$sdk.new" "$sdk"
echo "setup-webview2-sdk: $id $version in $sdk"
