#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORIN_BUILD_DIR:-$here/build}
QUORIN_BUILD_DIR=$build bash "$here/scripts/build.sh"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 300
