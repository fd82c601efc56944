#!/usr/bin/env bash
# Configures and builds everything into ./build (or $VOCORDER_BUILD_DIR), for
# the Windows target this machine can run (tools/arch.sh; VOCORDER_ARCH sets
# it).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${VOCORDER_BUILD_DIR:-$top/build}"
arch="$("$top/tools/arch.sh")"
cmake -S "$top" -B "$build" -G Ninja -DVOCORDER_ARCH="$arch" >/dev/null
cmake --build "$build" "$@"
