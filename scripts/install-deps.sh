#!/bin/bash
# Installs every Debian package the build, the tests and the demo need.
set -euo pipefail
packages=(
  cmake ninja-build g++ googletest zlib1g-dev python3
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  # fonts-wine: Wine's own fonts; without its Marlett the title-bar buttons draw as letters.
  # fonts-dejavu-core: DejaVu Sans, the layout test's stand-in for Segoe UI 9 pt.
  wine wine64 fonts-wine fonts-dejavu-core xvfb xauth x11-utils imagemagick
  # openssl: the test certificates of the HTTPS cases.
  nginx-light openssl clang-14 libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
