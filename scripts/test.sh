#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest; then builds the memory-sensitive
# test folders again with AddressSanitizer and LeakSanitizer (build-asan/) and runs them there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORIN_BUILD_DIR:-$here/build}
QUORIN_BUILD_DIR=$build bash "$here/scripts/build.sh"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 300

# BSTR, VARIANT and reference counting (the COM layer, the viewer wrapper, the runtime's OLE host)
# are where leaks and double frees hide. Test targets (and their CTest labels) to run under the
# sanitizers; QUORIN_ASAN_TESTS="" skips the step.
asan_tests=${QUORIN_ASAN_TESTS-test_com test_viewer test_runtime}
if [ -n "$asan_tests" ]; then
  asan=${QUORIN_ASAN_BUILD_DIR:-$here/build-asan}
  cmake -S "$here" -B "$asan" -G Ninja -DQUORIN_ASAN=ON ${QUORIN_CMAKE_ARGS:-} >/dev/null
  # shellcheck disable=SC2086
  cmake --build "$asan" -j "$(nproc)" --target $asan_tests
  labels=$(echo "$asan_tests" | tr -s ' ' '|')
  cd "$asan"
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
    ctest --output-on-failure -j "$(nproc)" --timeout 300 -L "^(${labels})\$"
fi
