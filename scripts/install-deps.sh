#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build and test Quillmar, and any further packages
# named as arguments. Idempotent: does nothing when everything is present already.
set -euo pipefail

# libpugixml-dev: the XML parser of the TEI and OSIS importers; diatheke and sword-text-web: the
# importer test exports a SWORD Bible with diatheke.
# The second line: the portability and packaging gates of scripts/test.sh (clang with libc++, the
# MinGW-w64 cross compiler, the desktop file and metainfo validators, the Debian package tools).
packages=(cmake ninja-build g++ qt6-base-dev libqt6svg6 libgl-dev libgtest-dev libgmock-dev
          libbenchmark-dev python3 bible-kjv fonts-dejavu-core poppler-utils ccache clang-format
          clang libc++-dev libc++abi-dev g++-mingw-w64-x86-64-posix desktop-file-utils appstream
          dpkg-dev file libclang-rt-dev libpugixml-dev diatheke sword-text-web "$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
