#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine.
# Where the tests run on the x86_64 build (tools/arch.sh), the shipping 32-bit
# program, add-in, codec and setup program are compiled as well.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
t0=$SECONDS
"$top/tools/setup.sh"
t1=$SECONDS
"$top/tools/build.sh"
t2=$SECONDS
if [ "$("$top/tools/arch.sh")" != i686 ]; then
  echo "Compiling the 32-bit program, add-in, codec and setup program into build-i686/"
  VOCORDER_ARCH=i686 VOCORDER_BUILD_DIR="${VOCORDER_I686_BUILD_DIR:-$top/build-i686}" \
    "$top/tools/build.sh" --target Vocorder VocorderAddIn vocorder_mp3_acm VocorderSetup
fi
t3=$SECONDS
echo "set-up $((t1 - t0)) s, build $((t2 - t1)) s, 32-bit compile $((t3 - t2)) s"
cd "${VOCORDER_BUILD_DIR:-$top/build}"
ctest --output-on-failure -j2 "$@"
