#!/usr/bin/env bash
# Installs every Debian package that the build, the runtime and the tests need.
# Idempotent: when every package is already present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-pdf-dev libqt6sql6-sqlite
  qt6-image-formats-plugins qt6-l10n-tools
  libsqlite3-dev sqlite3
  libmozjs-102-dev
  mdbtools-dev mdbtools
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth x11-utils imagemagick
  fonts-dejavu-core
  libqt6opengl6-dev libgl-dev libegl-dev libxkbcommon-dev libvulkan-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
