#!/usr/bin/env bash
# Builds the speech time-stretching library as a static MinGW library from
# the distribution's own source package, and copies it with its header and
# licence into the output folder.
#
#   build-sonic.sh OUTDIR CACHEDIR VERSION [HOST]
#
# HOST is the MinGW target (i686-w64-mingw32 unless given). The finished build
# is kept in CACHEDIR/sonic-VERSION-ARCH and reused by every later build
# folder; nothing is fetched except through apt-get source.
set -euo pipefail
out="$1"
cache="$2"
version="$3"
host="${4:-i686-w64-mingw32}"
cached="$cache/sonic-$version-${host%%-*}"

install_into_out() {
  mkdir -p "$out/include"
  cp -f "$cached/libsonic.a" "$out/"
  cp -f "$cached/sonic.h" "$out/include/"
  cp -f "$cached/COPYING" "$out/SONIC-COPYING.txt"
}

if [ -f "$cached/libsonic.a" ] && [ -f "$cached/sonic.h" ] && [ -f "$cached/COPYING" ]; then
  install_into_out
  exit 0
fi

mkdir -p "$cache"
exec 8>"$cache/.sonic.lock"
flock 8
if [ -f "$cached/libsonic.a" ]; then
  install_into_out
  exit 0
fi
work="$(mktemp -d "$cache/.sonic-build.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

# The mirror here has been seen to serve the upstream tarball but not the
# small packaging tarball; the library needs only the former, which is
# checked against the checksum the .dsc gives for it.
apt-get source --download-only sonic >fetch.log 2>&1 || true
orig="$(ls sonic_"$version".orig.tar.* 2>/dev/null | head -n1 || true)"
dsc="$(ls sonic_"$version"-*.dsc 2>/dev/null | head -n1 || true)"
if [ -z "$orig" ] || [ -z "$dsc" ]; then
  cat fetch.log >&2
  echo "build-sonic.sh: 'apt-get source sonic' gave no sonic $version; run tools/setup.sh (it adds the deb-src entry)" >&2
  exit 1
fi
want="$(awk -v f="$orig" '/^Checksums-Sha256:/{s=1;next} /^[A-Z]/{s=0} s && $3==f {print $1}' "$dsc")"
have="$(sha256sum "$orig" | cut -d' ' -f1)"
if [ -z "$want" ] || [ "$want" != "$have" ]; then
  echo "build-sonic.sh: $orig does not match its checksum in $dsc" >&2
  exit 1
fi
mkdir src
tar -xf "$orig" -C src --strip-components=1

cd src
$host-gcc-posix -O2 -Wall -c sonic.c -o sonic.o 2>../make.log || { cat ../make.log >&2; exit 1; }
$host-ar rcs libsonic.a sonic.o

staged="$work/staged"
mkdir -p "$staged"
cp libsonic.a sonic.h COPYING "$staged/"
rm -rf "$cached"
mv "$staged" "$cached"
install_into_out
