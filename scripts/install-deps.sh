#!/usr/bin/env bash
# Installs the Debian packages Tessary needs to build, run and test. Idempotent:
# packages already present are skipped, so repeated runs cost one dpkg query.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libpng-dev libjpeg62-turbo-dev libtiff-dev zlib1g-dev
  # SANE for the TWAIN source manager: library and backends, development
  # files, and scanimage for side-by-side timing
  libsane-dev libsane1 libsane-common sane-utils
  g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  imagemagick poppler-utils
  fonts-dejavu-core
  desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
