#!/usr/bin/env bash
# Installs what is needed, checks the formatting, builds and runs every test: once in the normal
# build and once in a build with AddressSanitizer and UndefinedBehaviorSanitizer; then the core
# tests, where the search thread and the shared caches cross threads, with ThreadSanitizer.
# Between them the packaging and portability gates (scripts/package-checks.sh): the installed
# program run from a scratch prefix, the desktop file and metainfo validated, the Debian
# package's contents, the core and its tests built with clang and libc++ (the macOS standard
# library), and the core cross-compiled for Windows with MinGW-w64.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh

export QT_QPA_PLATFORM=offscreen
# Tests must never read or write the settings of whoever runs them.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QUILLMAR_CONFIG_DIR="$scratch/config" QUILLMAR_DATA_DIR="$scratch/data"

QUILLMAR_BUILD_DIR=build scripts/build.sh
(cd build && ctest --output-on-failure --parallel "$(nproc)")

# The bundled collections: built by the project's builder, then every hit of their word index
# checked against the words the reader decodes from their streams.
scripts/build-collections.sh "$scratch/collections"
for collection in sample kjv; do
  build/cli/quillmar check --collection "$scratch/collections/$collection" \
    --fuzzy build/plugins/quillmar_phonetic.so
done

scripts/package-checks.sh build "$scratch"

if [ "${QUILLMAR_SKIP_SANITIZERS:-0}" != 1 ]; then
  QUILLMAR_BUILD_DIR=build-asan scripts/build.sh -DQUILLMAR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp" \
     ctest --output-on-failure --parallel "$(nproc)")
  # ThreadSanitizer needs a build of its own; only the core tests run there.
  QUILLMAR_BUILD_DIR=build-tsan QUILLMAR_TARGETS=quillmar_core_tests scripts/build.sh \
    -DQUILLMAR_SANITIZE_THREAD=ON -DQUILLMAR_BUILD_GUI=OFF
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/quillmar_core_tests

  # Every fuzz target for a short fixed time on its seed corpus (libFuzzer, ASan+UBSan): 10
  # seconds each keeps the stage under four minutes, recorded apart from the long runs' ledger
  # (fuzz/ledger), whose figures are in docs/reliability.md.
  names="stream query metainfo textinfo link_file link_table xref_lookup word_index hit_index fuzzy
    short_info schema_ini settings history bookmarks online greek source tei osis"
  fuzzers=""
  for name in $names; do fuzzers+=" quillmar_${name}_fuzz"; done
  CC=clang CXX=clang++ QUILLMAR_BUILD_DIR=build-fuzz QUILLMAR_TARGETS="$fuzzers" scripts/build.sh \
    -DQUILLMAR_BUILD_FUZZERS=ON -DQUILLMAR_BUILD_TESTS=OFF -DQUILLMAR_BUILD_GUI=OFF \
    -DQUILLMAR_BUILD_SAMPLE=OFF
  # shellcheck disable=SC2086  # one argument per target
  fuzz/run-long.sh -t 10 -c "$scratch/collections/sample" -o "$scratch/fuzz" \
    -l "$scratch/fuzz-ledger" $names
fi
