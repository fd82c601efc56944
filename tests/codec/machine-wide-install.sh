#!/usr/bin/env bash
# Installs the codec DLL machine-wide, as the README describes, into a Wine
# prefix of its own (the shared test prefix must keep having no encoder),
# checks that a program finds it without the fallback, then uninstalls it.
#   machine-wide-install.sh BUILD_DIR CODEC_DLL PROBE_EXE
set -u
build="$1"; acm="$2"; probe="$3"
export WINEPREFIX="$build/wine/install-prefix" WINEARCH="${WINEARCH:-win32}" WINEDEBUG=-all
wine="${VOCORDER_WINE_LOADER:-wine}"
wineserver="${WINESERVER:-wineserver}"
wineboot() { "$wine" wineboot "$@"; }
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export VOCORDER_NO_MP3_FALLBACK=1
log="$build/wine/install-prefix.log"
mkdir -p "$WINEPREFIX"
: >"$log"
# Wine's background processes must not hold the test runner's pipes.
quiet() { "$@" </dev/null >>"$log" 2>&1; }
finish() {
  quiet "$wineserver" -k
  [ "$1" -eq 0 ] || { echo "--- log"; cat "$log"; }
  exit "$1"
}
[ -f "$WINEPREFIX/system.reg" ] || quiet wineboot -i

system32="$WINEPREFIX/drive_c/windows/system32"
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Drivers32'
cp -f "$acm" "$(dirname "$acm")/libmp3lame-0.dll" "$system32/" || finish 1
quiet "$wine" reg add "$key" /v msacm.vocmp3 /t REG_SZ /d "$(basename "$acm")" /f || finish 1
quiet "$wine" "$probe"; installed=$?
quiet "$wine" reg delete "$key" /v msacm.vocmp3 /f
rm -f "$system32/$(basename "$acm")" "$system32/libmp3lame-0.dll"
quiet "$wine" "$probe"; removed=$?
echo "installed: probe exit $installed (want 0); removed: probe exit $removed (want 1)"
[ "$installed" -eq 0 ] && [ "$removed" -eq 1 ] && finish 0
finish 1
