#!/usr/bin/env bash
# Configures and builds everything into ./build (or $VOCORDER_BUILD_DIR).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${VOCORDER_BUILD_DIR:-$top/build}"
cmake -S "$top" -B "$build" -G Ninja >/dev/null
cmake --build "$build" "$@"
