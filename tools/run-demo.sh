#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vocorder.exe under Wine in a
# demo folder (build/demo) with a "Player.ini" that names "listdir.m3u".
# On its first start the program lists the user's documents folder; a few
# spoken dictations are put there when it holds no recordings yet.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${VOCORDER_BUILD_DIR:-$top/build}"
"$top/tools/setup.sh"
"$top/tools/build.sh"
demo="$build/demo"
mkdir -p "$demo"
cp "$build/app/Vocorder.exe" "$build/app/libmp3lame-0.dll" "$demo/"
[ -f "$demo/Player.ini" ] || printf '; Vocorder demo\r\nlist=listdir.m3u\r\n' >"$demo/Player.ini"
# Starting Wine once creates the prefix and its user folders.
"$build/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
docs="$build/wine/prefix/drive_c/users/$(id -un)/Documents"
if ! compgen -G "$docs/*.mp3" >/dev/null; then
  "$top/tools/make-demo.sh" "$docs"
  echo "Demo recordings put into $docs"
fi
cd "$demo"
set +e
"$build/wine-run.sh" "$demo/Vocorder.exe" "$@"
rc=$?
echo "Vocorder.exe ended with exit code $rc"
exit $rc
