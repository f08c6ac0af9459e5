#!/usr/bin/env bash
# The end-to-end tests on a busy machine, outside CI: N runs (the argument, default 3) beside twice
# as many busy processes as the machine has cores, in the plain build (build/) and then in the
# sanitizer build (build-asan/). Prints how many runs passed and how long each took; the output of
# a failed run stays in out/stress-e2e/. QUORIN_STRESS_BUILDS="plain" or "asan" runs one of them;
# arguments after N go to ctest (for example -E TypeAhead leaves those tests out).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
shift || true
builds=${QUORIN_STRESS_BUILDS:-plain asan}
logs=$here/out/stress-e2e
mkdir -p "$logs"

busy=()
stop_busy() {
  for pid in "${busy[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${busy[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  busy=()
}
trap stop_busy EXIT
trap 'stop_busy; exit 130' INT TERM

# The same time limits as scripts/test.sh: they only guard against a hang.
timeout_for() { awk -v f="${1:-1}" 'BEGIN { printf "%d", 300 * (f > 1 ? f : 1) }'; }

for kind in $builds; do
  case "$kind" in
    plain)
      dir=${QUORIN_BUILD_DIR:-$here/build}
      QUORIN_BUILD_DIR=$dir bash "$here/scripts/build.sh" test_e2e
      slowdown=${QUORIN_E2E_SLOWDOWN:-1}
      ;;
    asan)
      dir=${QUORIN_ASAN_BUILD_DIR:-$here/build-asan}
      bash "$here/scripts/install-deps.sh"
      cmake -S "$here" -B "$dir" -G Ninja -DQUORIN_ASAN=ON ${QUORIN_CMAKE_ARGS:-} >/dev/null
      cmake --build "$dir" -j "$(nproc)" --target test_e2e
      slowdown=${QUORIN_E2E_SLOWDOWN:-3}
      ;;
    *) echo "unknown build: $kind" >&2; exit 2 ;;
  esac

  for _ in $(seq $(($(nproc) * 2))); do
    sh -c 'while :; do :; done' &
    busy+=("$!")
  done
  passed=0
  for run in $(seq "$runs"); do
    log=$logs/$kind-$run.log
    start=$(date +%s.%N)
    if (cd "$dir" && QUORIN_E2E_SLOWDOWN=$slowdown \
          ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
          ctest -L test_e2e -j "$(nproc)" --output-on-failure --timeout "$(timeout_for "$slowdown")" "$@") \
        >"$log" 2>&1; then
      passed=$((passed + 1))
      result=passed
      rm -f "$log"
    else
      result="failed (see ${log#"$here"/})"
    fi
    took=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.0f", b - a }')
    echo "$kind run $run of $runs: $result in ${took} s"
  done
  stop_busy
  echo "$kind: $passed of $runs runs passed"
done
