#!/usr/bin/env bash
# Runs the README's demo command (tools/run-demo.sh) until the program's main
# window is shown, closes the window as a user would (WM_CLOSE), and expects
# the demo to end with exit code 0.
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${VOCORDER_BUILD_DIR:-$top/build}"
timeout_s="${VOCORDER_DEMO_TIMEOUT:-600}"

"$top/tools/run-demo.sh" </dev/null &
demo=$!

shown=
deadline=$(( $(date +%s) + timeout_s ))
while [ "$(date +%s)" -lt "$deadline" ] && kill -0 "$demo" 2>/dev/null; do
  # The X display of the build's Wine (started by the demo when there is none).
  if [ -z "${DISPLAY:-}" ] && [ -s "$build/wine/display" ]; then
    export DISPLAY=":$(tr -d '\n' <"$build/wine/display")"
  fi
  if [ -n "${DISPLAY:-}" ] &&
     xdotool search --onlyvisible --classname '^vocorder\.exe$' >/dev/null 2>&1; then
    shown=yes
    break
  fi
  sleep 1
done

if [ -z "$shown" ]; then
  echo "demo-check: the program's window did not show within ${timeout_s} s" >&2
  kill "$demo" 2>/dev/null
  wait "$demo"
  exit 1
fi
echo "demo-check: the main window is shown; closing it"
sleep 2
# taskkill without /f posts WM_CLOSE to the program's windows.
"$build/wine-run.sh" taskkill /im Vocorder.exe >/dev/null 2>&1
for _ in $(seq 60); do kill -0 "$demo" 2>/dev/null || break; sleep 1; done
if kill -0 "$demo" 2>/dev/null; then
  echo "demo-check: the program did not end within 60 s of being closed" >&2
  kill "$demo" 2>/dev/null
  wait "$demo"
  exit 1
fi
wait "$demo"
rc=$?
echo "demo-check: the demo ended with exit code $rc"
exit "$rc"
