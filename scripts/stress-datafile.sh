#!/usr/bin/env bash
# Crash-safety stress run of the keyed data file, outside CI: many more killed writers than the
# test suite's few dozen. QUORIN_CRASH_ROUNDS sets the number (default 1000).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORIN_BUILD_DIR:-$here/build}
QUORIN_BUILD_DIR=$build bash "$here/scripts/build.sh" test_runtime
QUORIN_CRASH_ROUNDS=${QUORIN_CRASH_ROUNDS:-1000} \
  "$build/tests/test_runtime" --gtest_filter='DataFileProcessTest.*'
