#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vocorder.exe under Wine in a
# demo folder (build/demo) with a "Player.ini" that names "listdir.m3u".
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${VOCORDER_BUILD_DIR:-$top/build}"
"$top/tools/setup.sh"
"$top/tools/build.sh"
demo="$build/demo"
mkdir -p "$demo"
cp "$build/app/Vocorder.exe" "$build/app/libmp3lame-0.dll" "$demo/"
[ -f "$demo/Player.ini" ] || printf '; Vocorder demo\r\nlist=listdir.m3u\r\n' >"$demo/Player.ini"
cd "$demo"
set +e
"$build/wine-run.sh" "$demo/Vocorder.exe" "$@"
rc=$?
echo "Vocorder.exe ended with exit code $rc"
exit $rc
