#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/tools/setup.sh"
"$top/tools/build.sh"
cd "${VOCORDER_BUILD_DIR:-$top/build}"
ctest --output-on-failure -j2 "$@"
