#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-private-dev
  libqpdf-dev duktape-dev
  libsqlite3-dev libicu-dev libsimpleini-dev
  poppler-utils fonts-dejavu-core fonts-droid-fallback libharfbuzz-dev libfontconfig-dev qpdf
  python3-pypdf
  xvfb xdotool x11-utils libxcb1-dev libxcb-damage0-dev openbox
)
if [ "${QUORIN_EXTRA_PACKAGES:-}" != "" ]; then
  read -r -a extra <<<"$QUORIN_EXTRA_PACKAGES"
  packages+=("${extra[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
