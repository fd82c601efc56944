#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on a Debian 12 machine.
# Idempotent: does nothing when everything is present. Run as root (or with sudo).
set -euo pipefail

need=(g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386 xvfb xauth
      gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
      cmake ninja-build googletest xdotool imagemagick espeak-ng sox lame
      libwine-dev alsa-utils x11-utils)

missing=()
for p in "${need[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
