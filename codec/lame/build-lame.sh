#!/usr/bin/env bash
# Builds the MP3 encoder library as a 32-bit Windows DLL from the
# distribution's own source package, and copies it with its header and
# licence into the output folder.
#
#   build-lame.sh OUTDIR CACHEDIR VERSION [HOST]
#
# HOST is the MinGW target (i686-w64-mingw32 unless given). The finished build
# is kept in CACHEDIR/lame-VERSION-ARCH and reused by every
# later build folder; nothing is fetched except through apt-get source.
set -euo pipefail
out="$1"
cache="$2"
version="$3"
host="${4:-i686-w64-mingw32}"
cached="$cache/lame-$version-${host%%-*}"

install_into_out() {
  mkdir -p "$out/include/lame"
  cp -f "$cached/libmp3lame-0.dll" "$out/"
  cp -f "$cached/lame.h" "$out/include/lame/"
  cp -f "$cached/COPYING" "$out/LAME-COPYING.txt"
}

if [ -f "$cached/libmp3lame-0.dll" ] && [ -f "$cached/lame.h" ] && [ -f "$cached/COPYING" ]; then
  install_into_out
  exit 0
fi

mkdir -p "$cache"
# Two build folders configured at once share the one cached build.
exec 8>"$cache/.lame.lock"
flock 8
if [ -f "$cached/libmp3lame-0.dll" ]; then
  install_into_out
  exit 0
fi
work="$(mktemp -d "$cache/.lame-build.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Sources come from the distribution's archive only (a deb-src entry is set up
# by tools/setup.sh).
if ! apt-get source --download-only lame >fetch.log 2>&1; then
  cat fetch.log >&2
  echo "build-lame.sh: 'apt-get source lame' failed; run tools/setup.sh (it adds the deb-src entry)" >&2
  exit 1
fi
dsc="$(ls lame_"$version"-*.dsc 2>/dev/null | head -n1 || true)"
if [ -z "$dsc" ]; then
  echo "build-lame.sh: the source package is not LAME $version:" >&2
  ls >&2
  exit 1
fi
dpkg-source --no-check -x "$dsc" src >extract.log 2>&1 || { cat extract.log >&2; exit 1; }
cd src

# lame_init_old is listed among the exports but not built, which fails the
# DLL link.
sed -i '/^lame_init_old$/d' include/libmp3lame.sym

./configure --host=$host --enable-shared --disable-static --disable-frontend \
  CC=$host-gcc-posix >../configure.log 2>&1 || { tail -n 40 ../configure.log >&2; exit 1; }
make -j"$(nproc)" -C mpglib >../make.log 2>&1 &&
  make -j"$(nproc)" -C libmp3lame >>../make.log 2>&1 || { tail -n 40 ../make.log >&2; exit 1; }
$host-strip --strip-unneeded libmp3lame/.libs/libmp3lame-0.dll

staged="$work/staged"
mkdir -p "$staged"
cp libmp3lame/.libs/libmp3lame-0.dll include/lame.h COPYING "$staged/"
rm -rf "$cached"
mv "$staged" "$cached"
install_into_out
