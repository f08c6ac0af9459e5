#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest; then builds everything again
# with AddressSanitizer and LeakSanitizer (build-asan/) and runs the whole suite there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORIN_BUILD_DIR:-$here/build}
QUORIN_BUILD_DIR=$build bash "$here/scripts/build.sh"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 300

# BSTR, VARIANT, reference counts, the PDF engine and the data files are where leaks, double frees
# and overruns hide, so the whole suite runs again under AddressSanitizer and LeakSanitizer.
# QUORIN_ASAN_TESTS names test targets (and their CTest labels) to narrow it; "" skips the step.
asan_tests=${QUORIN_ASAN_TESTS-all}
if [ -n "$asan_tests" ]; then
  asan=${QUORIN_ASAN_BUILD_DIR:-$here/build-asan}
  cmake -S "$here" -B "$asan" -G Ninja -DQUORIN_ASAN=ON ${QUORIN_CMAKE_ARGS:-} >/dev/null
  filter=()
  if [ "$asan_tests" = all ]; then
    cmake --build "$asan" -j "$(nproc)"
  else
    # shellcheck disable=SC2086
    cmake --build "$asan" -j "$(nproc)" --target $asan_tests
    filter=(-L "^($(echo "$asan_tests" | tr -s ' ' '|'))\$")
  fi
  cd "$asan"
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
    ctest --output-on-failure -j "$(nproc)" --timeout 300 "${filter[@]}"
fi
