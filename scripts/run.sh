#!/usr/bin/env bash
# Installs what is missing, builds, puts the sample master form at its default place when nothing
# is there, and starts the program in the working folder out/run of the checkout.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${QUORIN_BUILD_DIR:-$here/build}
QUORIN_BUILD_DIR=$build bash "$here/scripts/build.sh" quorin20 make-sample-form
work=${QUORIN_WORKDIR:-$here/out/run}
mkdir -p "$work"
cd "$work"
"$build/tools/make-sample-form" --if-missing 'C:\Morvek20\form1.pdf'
exec "$build/src/quorin20"
