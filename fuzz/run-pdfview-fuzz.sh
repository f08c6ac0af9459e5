#!/usr/bin/env bash
# Builds the viewer's fuzz target with clang (AddressSanitizer and LeakSanitizer on) and runs it for
# a bounded time, seeded with the sample form and the other producer's form.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
QUORIN_EXTRA_PACKAGES="clang libclang-rt-dev" bash "$here/scripts/install-deps.sh"
build=${QUORIN_FUZZ_BUILD_DIR:-$here/build-fuzz}
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DQUORIN_FUZZ=ON -DQUORIN_ASAN=ON -DQUORIN_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_pdfview_document
# The seed form comes from the normal (gcc) build's generator.
gcc_build=${QUORIN_BUILD_DIR:-$here/build}
cmake -S "$here" -B "$gcc_build" -G Ninja >/dev/null
cmake --build "$gcc_build" --target make-sample-form >/dev/null
corpus="$build/fuzz-corpus"
mkdir -p "$corpus"
"$gcc_build/tools/make-sample-form" "$corpus/sample-form.pdf"
cp "$here/tests/platform/pdfview/data/other-producer-form.pdf" "$corpus/"
"$build/fuzz/fuzz_pdfview_document" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=65536 \
  -print_final_stats=1 -artifact_prefix="$build/" "$corpus"
