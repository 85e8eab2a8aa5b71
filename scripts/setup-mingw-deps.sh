#!/usr/bin/env bash
# The Windows build's tools and libraries: installs mingw-w64 and wine from
# Debian, then builds what Debian does not package for mingw-w64: static OpenSSL and libcurl (HTTP and HTTPS only, zlib, no other
# protocol or library), and cpp-httplib's one header for the tests' HTTPS
# server. The sources are Debian's own source packages of this release, with
# Debian's patches. Everything lands in one prefix outside the repository
# (BQ_MINGW_DEPS, /opt/brindle-quay-mingw64 by default), rebuilt only when a
# source version or the build below (or the toolchain file it uses) changes,
# so a second run costs nothing.
# Called by scripts/setup-debian.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/common.sh"
prefix=${BQ_MINGW_DEPS:-/opt/brindle-quay-mingw64}
triplet=x86_64-w64-mingw32
packages=(openssl curl cpp-httplib)

tools=(
  # the cross compiler (the -posix flavour has std::thread), its Windows headers, windres
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  # zlib for Windows, the one library Debian builds for mingw-w64
  libz-mingw-w64-dev
  # running the Windows tests
  wine64 wine
  # unpacking source packages, and the OpenSSL build
  dpkg-dev perl make
)
install_missing setup-mingw-deps "${tools[@]}"

. /etc/os-release
suite=$VERSION_CODENAME

# Debian's main archive of this release, as the machine's own sources name it.
# Only the release's main suite is used: the security archive does not serve
# the .dsc files of its source packages.
if [ -z "$(apt_archives "$suite" Sources)" ]; then
  mirror=$(apt_archives "$suite" Packages | head -n 1)
  if [ -z "$mirror" ]; then
    echo "setup-mingw-deps: no apt source for Debian $suite" >&2
    exit 1
  fi
  echo "setup-mingw-deps: adding Debian's source packages of $suite from $mirror"
  printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$mirror" "$suite" | as_root tee /etc/apt/sources.list.d/brindle-quay-src.sources >/dev/null
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
fi

# The versions that a build would take, and the recipe that builds them (this
# script from "The build" on, and the toolchain file): the stamp of the
# installed prefix must match both. A change elsewhere in this script (what it
# installs, where it finds the sources) builds nothing anew.
versions=()
for p in "${packages[@]}"; do
  dsc=$(apt-get source --print-uris "$p/$suite" 2>/dev/null | grep -o "'[^']*\.dsc'" | head -n 1 || true)
  if [ -z "$dsc" ]; then
    echo "setup-mingw-deps: no source package $p in $suite" >&2
    exit 1
  fi
  dsc=$(basename "${dsc//\'/}" .dsc)
  versions+=("$(printf '%b' "${dsc//%/\\x}")")
done
recipe=$(sed -n '/^# --- The build/,$p' "$0" | cat - "$root/cmake/mingw-w64-x86_64.cmake" | sha256sum | cut -c1-16)
stamp="${versions[*]} recipe $recipe"
if [ -f "$prefix/stamp" ] && [ "$(cat "$prefix/stamp")" = "$stamp" ]; then
  exit 0
fi

# --- The build ------------------------------------------------------------
echo "setup-mingw-deps: building ${versions[*]} for $triplet into $prefix"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage="$work/stage"
jobs=$(nproc)

cd "$work"
sources=()
for p in "${packages[@]}"; do sources+=("$p/$suite"); done
apt-get source --download-only -q "${sources[@]}" >/dev/null 2>&1 ||
  apt-get source --download-only "${sources[@]}"

# Unpacks a source package with the patches of its series, less `skip`.
unpack() {
  local name=$1 skip=${2:-}
  local dsc
  dsc=$(ls "$work"/"${name}"_*.dsc)
  # apt checked the files against the archive's signed index already; the
  # .dsc's own signature needs a keyring this machine need not have.
  dpkg-source --no-check --skip-patches -x "$dsc" "$work/$name" >/dev/null
  local series="$work/$name/debian/patches/series"
  [ -f "$series" ] || return 0
  local patch
  while read -r patch _; do
    case "$patch" in '' | '#'*) continue ;; esac
    [[ " $skip " == *" $patch "* ]] && continue
    patch -d "$work/$name" -p1 -s <"$work/$name/debian/patches/$patch"
  done <"$series"
}

# OpenSSL: only the two libraries and their headers. No loadable modules or
# engines, and a configuration folder that only administrators may write, as
# OpenSSL's own Windows default; the program does not load it anyway (see
# libcurl below).
unpack openssl
(
  cd "$work/openssl" &&
    CC=gcc-posix ./Configure mingw64 --cross-compile-prefix="$triplet-" \
      no-shared no-tests no-dso --prefix="$prefix" --libdir=lib \
      --openssldir="C:/Program Files/Common Files/SSL" >"$work/openssl.log" 2>&1 &&
    make -j"$jobs" build_libs >>"$work/openssl.log" 2>&1 &&
    make install_dev DESTDIR="$stage" >>"$work/openssl.log" 2>&1
) || {
  tail -n 40 "$work/openssl.log" >&2
  exit 1
}

# libcurl: HTTP and HTTPS over OpenSSL with gzip. It trusts only what the
# program hands it: no CA bundle or folder compiled in, no fallback to
# OpenSSL's default paths, no OpenSSL configuration file read. Debian's last
# two patches make its GnuTLS and NSS flavours and are left out.
unpack curl "90_gnutls.patch 99_nss.patch"
cmake -S "$work/curl" -B "$work/curl-build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF \
  -DPICKY_COMPILER=OFF \
  -DHTTP_ONLY=ON -DCURL_DISABLE_PROXY=OFF -DENABLE_UNIX_SOCKETS=OFF \
  -DCURL_USE_OPENSSL=ON -DCURL_USE_SCHANNEL=OFF -DCURL_WINDOWS_SSPI=OFF \
  -DOPENSSL_INCLUDE_DIR="$stage$prefix/include" \
  -DSSL_EAY="$stage$prefix/lib/libssl.a" -DLIB_EAY="$stage$prefix/lib/libcrypto.a" \
  -DCURL_DISABLE_OPENSSL_AUTO_LOAD_CONFIG=ON \
  -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DCURL_CA_FALLBACK=OFF \
  -DCURL_ZLIB=ON -DZLIB_INCLUDE_DIR="/usr/$triplet/include" -DZLIB_LIBRARY="/usr/$triplet/lib/libz.a" \
  -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF \
  -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF \
  -DENABLE_ARES=OFF -DUSE_WIN32_LDAP=OFF >"$work/curl.log" 2>&1 &&
  cmake --build "$work/curl-build" -j "$jobs" >>"$work/curl.log" 2>&1 &&
  DESTDIR="$stage" cmake --install "$work/curl-build" >>"$work/curl.log" 2>&1 || {
  tail -n 40 "$work/curl.log" >&2
  exit 1
}

# curl-config and libcurl.pc name the staging folder; the build takes the
# libraries by their paths instead.
rm -rf "$stage$prefix/bin" "$stage$prefix/lib/pkgconfig/libcurl.pc" "$stage$prefix/lib/cmake"

# cpp-httplib: its single header, built by the tests against OpenSSL above.
unpack cpp-httplib
install -D -m 644 "$work/cpp-httplib/httplib.h" "$stage$prefix/include/httplib.h"

printf '%s\n' "$stamp" >"$stage$prefix/stamp"
as_root rm -rf "$prefix.new"
as_root mkdir -p "$(dirname "$prefix")"
as_root cp -a "$stage$prefix" "$prefix.new"
# The WebView2 SDK that scripts/setup-webview2-sdk.sh put there stays.
if [ -d "$prefix/webview2" ]; then as_root cp -a "$prefix/webview2" "$prefix.new/"; fi
as_root rm -rf "$prefix"
as_root mv "$prefix.new" "$prefix"
echo "setup-mingw-deps: done"
