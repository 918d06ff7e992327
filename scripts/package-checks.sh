#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The packaging and portability gates, run by scripts/test.sh after the normal build:
#   install  the build ($1, default build) installed into a scratch prefix; the installed tool's
#            --version, a fuzzy search on the installed sample collection through the installed
#            phonetic module, and a download through the installed network module, both found
#            relative to the installed tool
#   desktop  the desktop file and the AppStream metainfo (as the build configured it) validated
#   deb      cpack's Debian package holds the binaries, modules, desktop integration, manual
#            pages and completions
#   libcxx   the core and its tests built with clang and libc++, and the tests run
#   mingw    the core, the phonetic module and the tool's Windows console code cross-compiled
#            with MinGW-w64
# QUILLMAR_GATES (blank-separated) runs only those gates. $2 is a scratch directory (default: a
# new temporary one). Each gate's time goes to stderr.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
scratch=${2:-}
if [[ -z $scratch ]]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
fi
gates=${QUILLMAR_GATES:-install desktop deb libcxx mingw}
export QUILLMAR_CONFIG_DIR="$scratch/gate-config" QUILLMAR_DATA_DIR="$scratch/gate-data"
prefix="$scratch/prefix"

want() { [[ " $gates " == *" $1 "* ]]; }
timed() {
  local name=$1 started=$SECONDS
  shift
  "$@"
  echo "package-checks: $name took $((SECONDS - started)) s" >&2
}

install_gate() {
  rm -rf "$prefix"
  cmake --install "$build" --prefix "$prefix" >/dev/null
  # No build-tree path may be needed: the plug-in directory is not overridden, and the build
  # tree's modules are out of reach of the installed tool.
  unset QUILLMAR_PLUGIN_DIR
  "$prefix/bin/quillmar" --version
  if [[ -x "$prefix/bin/quillmar-reader" ]]; then "$prefix/bin/quillmar-reader" --version; fi
  local sample="$prefix/share/quillmar/collections/sample"
  local hits
  hits=$("$prefix/bin/quillmar" search --collection "$sample" --format tsv --fuzzy 2 -- Herodotos |
    wc -l)
  if [[ $hits -eq 0 ]]; then
    echo "package-checks: the installed tool finds no fuzzy hit in the installed sample" >&2
    return 1
  fi
  if ! "$prefix/bin/quillmar" modules | grep -q "	$prefix/"; then
    echo "package-checks: the installed tool does not register the installed modules" >&2
    "$prefix/bin/quillmar" modules >&2
    return 1
  fi
  # A refused connection, not a missing module: the tool got as far as the network.
  local online
  online=$("$prefix/bin/quillmar" online refresh --url http://127.0.0.1:9/list.dat 2>&1) || true
  if [[ $online == *"network module"* || -z $online ]]; then
    echo "package-checks: the installed tool cannot go online: $online" >&2
    return 1
  fi
  echo "installed tool: $hits fuzzy hits in the installed sample collection; online: $online"
}

desktop_gate() {
  desktop-file-validate data/quillmar-reader.desktop
  appstreamcli validate --no-net --pedantic "$build/data/org.quillmar.reader.metainfo.xml"
}

deb_gate() {
  rm -f "$build"/quillmar_*.deb
  (cd "$build" && cpack -G DEB >/dev/null)
  local deb listing
  deb=$(ls "$build"/quillmar_*.deb)
  listing=$(dpkg-deb -c "$deb")
  local missing=0
  for path in ./usr/bin/quillmar ./usr/bin/quillmar-reader ./usr/lib/quillmar/plugins/quillmar_phonetic.so \
    ./usr/lib/quillmar/quillmar_network.so \
    ./usr/share/applications/quillmar-reader.desktop \
    ./usr/share/metainfo/org.quillmar.reader.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/quillmar-reader.svg ./usr/share/man/man1/quillmar.1 \
    ./usr/share/man/man1/quillmar-reader.1 ./usr/share/bash-completion/completions/quillmar \
    ./usr/share/zsh/vendor-completions/_quillmar ./usr/share/doc/quillmar/LICENSE \
    ./usr/share/quillmar/collections/sample/; do
    if ! grep -q " $path\$" <<<"$listing"; then
      echo "package-checks: $deb lacks $path" >&2
      missing=1
    fi
  done
  dpkg-deb -f "$deb" Depends
  return $missing
}

libcxx_gate() {
  QUILLMAR_BUILD_DIR=build-libcxx QUILLMAR_TARGETS=quillmar_core_tests scripts/build.sh \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS=-stdlib=libc++ \
    -DCMAKE_EXE_LINKER_FLAGS="-stdlib=libc++" -DCMAKE_MODULE_LINKER_FLAGS="-stdlib=libc++" \
    -DQUILLMAR_CORE_ONLY=ON -DQUILLMAR_GTEST_SOURCE_DIR=/usr/src/googletest
  build-libcxx/tests/quillmar_core_tests --gtest_brief=1
}

mingw_gate() {
  QUILLMAR_BUILD_DIR=build-mingw \
    QUILLMAR_TARGETS="quillmar_core quillmar_phonetic quillmar_windows_support" scripts/build.sh \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DQUILLMAR_CORE_ONLY=ON \
    -DQUILLMAR_BUILD_TESTS=OFF
}

for gate in install desktop deb libcxx mingw; do
  if want $gate; then timed $gate ${gate}_gate; fi
done
