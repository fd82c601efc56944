#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine.
# Where the tests run on the x86_64 build (tools/arch.sh), every target of the
# shipping 32-bit build is compiled as well - the program, the add-in, the
# codec, the setup program, and the tests, benchmarks and test doubles - so a
# fault that only the 32-bit compiler sees fails this command too. That
# compile runs beside the tests at the lowest priority, where it takes the
# time the tests leave idle.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
t0=$SECONDS
"$top/tools/setup.sh"
t1=$SECONDS
"$top/tools/build.sh"
t2=$SECONDS
echo "set-up $((t1 - t0)) s, build $((t2 - t1)) s"

compile32=
if [ "$("$top/tools/arch.sh")" != i686 ]; then
  build32="${VOCORDER_I686_BUILD_DIR:-$top/build-i686}"
  log32="$(mktemp)"
  echo "Compiling every 32-bit target into $build32 beside the tests"
  (
    start=$SECONDS
    rc=0
    VOCORDER_ARCH=i686 VOCORDER_BUILD_DIR="$build32" nice -n 19 "$top/tools/build.sh" >"$log32" 2>&1 || rc=$?
    echo "32-bit compile: exit code $rc after $((SECONDS - start)) s" >>"$log32"
    exit "$rc"
  ) &
  compile32=$!
fi

cd "${VOCORDER_BUILD_DIR:-$top/build}"
t3=$SECONDS
tests_rc=0
ctest --output-on-failure -j2 "$@" || tests_rc=$?
echo "tests $((SECONDS - t3)) s"

if [ -n "$compile32" ]; then
  t4=$SECONDS
  rc32=0
  wait "$compile32" || rc32=$?
  if [ "$rc32" -ne 0 ]; then
    grep -E 'error|FAILED' "$log32" | head -40 || true
    tail -5 "$log32"
    echo "The 32-bit compile failed (exit code $rc32): the shipping build does not compile."
  else
    tail -1 "$log32"
  fi
  echo "waited $((SECONDS - t4)) s for the 32-bit compile after the tests"
  rm -f "$log32"
  [ "$tests_rc" -ne 0 ] && exit "$tests_rc"
  exit "$rc32"
fi
exit "$tests_rc"
