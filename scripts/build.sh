#!/usr/bin/env bash
# Configures and builds into build/ (or $QUILLMAR_BUILD_DIR). Extra arguments go to CMake;
# $QUILLMAR_TARGETS (blank-separated) builds only those targets. Uses ccache when it is installed,
# with paths taken relative to the checkout and the build directory left out of the hash, so
# another clone of the same sources hits the cache.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${QUILLMAR_BUILD_DIR:-build}
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
targets=()
for t in ${QUILLMAR_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
