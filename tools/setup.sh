#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on a Debian 12 machine.
# Idempotent: does nothing when everything is present. Run as root (or with sudo).
set -euo pipefail

top="$(cd "$(dirname "$0")/.." && pwd)"
# Where the kernel runs 32-bit programs, the program is built for i686 and run
# under 32-bit Wine; where it cannot, for x86_64 under wine64 (tools/arch.sh).
arch="$("$top/tools/arch.sh")"

# Every program the build, the tests, the benchmarks and the demo call:
need=(
  # cross compiler, resource compiler and widl (type library of the add-in);
  # both compilers always: the program ships for 32-bit Windows, and the
  # setup program carries the add-in for 32-bit and for 64-bit Word
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools libwine-dev
  cmake ninja-build googletest
  # the MP3 encoder library, built from its source package (dpkg-source, make)
  dpkg-dev make
  # running and testing the programs: an X server, keys typed from outside
  xvfb xdotool
  # "Arial" with its own metrics (Wine maps it to Liberation Sans)
  fonts-liberation
  # spoken fixtures and demo recordings
  espeak-ng sox lame python3
  # the setup program (makensis)
  nsis
)
if [ "$arch" = i686 ]; then
  # 32-bit Wine and the playback codecs its DirectShow uses
  need+=(wine wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386)
else
  need+=(wine wine64 gstreamer1.0-plugins-base gstreamer1.0-plugins-good)
fi

SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive

# A mirror in the middle of a sync can fail one index for a while (seen: the
# security suite's i386 index). Try again, then go on with what was fetched,
# taking packages from the release suite itself, so that the amd64 and i386
# halves of a multi-arch library come in the same version.
install_opts=()
apt_update() {
  local i
  for i in 1 2 3; do
    $SUDO apt-get update -qq && return 0
    sleep 5
  done
  echo "setup.sh: apt-get update failed; going on with the indexes it fetched" >&2
  . /etc/os-release
  install_opts=(-t "${VERSION_CODENAME:-bookworm}")
}

# The MP3 encoder library is built from the distribution's own source package
# (`apt-get source lame` in cmake/Lame.cmake), which needs source entries for
# the same suites as the binary ones.
src_list=/etc/apt/sources.list.d/vocorder-src.sources
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $SUDO tee "$src_list" >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $SUDO tee "${src_list%.sources}.list" >/dev/null
  fi
  apt_update
fi

missing=()
for p in "${need[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$arch" = i686 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
apt_update
$SUDO apt-get install -y -qq --no-install-recommends "${install_opts[@]}" "${missing[@]}"
