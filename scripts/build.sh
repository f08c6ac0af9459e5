#!/usr/bin/env bash
# Installs what is missing, configures and builds into build/ (or $QUORIN_BUILD_DIR).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install-deps.sh"
build=${QUORIN_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$build" -G Ninja ${QUORIN_CMAKE_ARGS:-} >/dev/null
# Arguments name the targets to build (all when none).
cmake --build "$build" -j "$(nproc)" ${1:+--target "$@"}
