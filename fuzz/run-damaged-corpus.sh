#!/usr/bin/env bash
# The damaged-form test of the viewer over a larger corpus than the suite's (outside CI):
#   fuzz/run-damaged-corpus.sh [COPIES-PER-FORM-AND-KIND] [SEED]
# prints the counts by damage kind (copies, drawn by pdftoppm, opened, filled, saved). With
# QUORIN_ASAN=1 it runs under AddressSanitizer and LeakSanitizer (build-asan/).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
copies=${1:-40}
seed=${2:-20261210}
if [ "${QUORIN_ASAN:-0}" = 1 ]; then
  build=${QUORIN_ASAN_BUILD_DIR:-$here/build-asan}
  export QUORIN_CMAKE_ARGS="${QUORIN_CMAKE_ARGS:-} -DQUORIN_ASAN=ON"
else
  build=${QUORIN_BUILD_DIR:-$here/build}
fi
QUORIN_BUILD_DIR=$build bash "$here/scripts/build.sh" test_pdfview sample_form
QUORIN_DAMAGED_COPIES=$copies QUORIN_DAMAGED_SEED=$seed \
  "$build/tests/test_pdfview" --gtest_filter='DamagedFormTest.OpensFillsAndSavesWhatPopplerOpens'
