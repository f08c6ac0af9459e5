#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest; then builds everything again
# with AddressSanitizer and LeakSanitizer (build-asan/) and runs the whole suite there.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORIN_BUILD_DIR:-$here/build}
# The benchmarks are built (not run) so that a change that breaks them shows here.
QUORIN_BUILD_DIR=$build QUORIN_CMAKE_ARGS="-DQUORIN_BENCH=ON ${QUORIN_CMAKE_ARGS:-}" \
  bash "$here/scripts/build.sh"
# A test's time limit only guards against a hang: it grows with the end-to-end tests' bounds.
timeout_for() { awk -v f="${1:-1}" 'BEGIN { printf "%d", 300 * (f > 1 ? f : 1) }'; }
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout "$(timeout_for "${QUORIN_E2E_SLOWDOWN:-}")"

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
  # The sanitizers make the program several times slower: the end-to-end bounds grow with it.
  slowdown=${QUORIN_E2E_SLOWDOWN:-3}
  QUORIN_E2E_SLOWDOWN=$slowdown ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
    ctest --output-on-failure -j "$(nproc)" --timeout "$(timeout_for "$slowdown")" "${filter[@]}"
fi
