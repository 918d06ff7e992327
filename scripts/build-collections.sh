#!/usr/bin/env bash
# Builds the bundled collections with the project's own builder into $1 (default
# build/collections): the sample collection and the King James Bible from Debian's bible-kjv,
# both with fuzzy word lists from the phonetic module shipped with the program.
# Environment: QUILLMAR_BUILD_DIR (default build), QUILLMAR_CLI (default <build>/cli/quillmar),
# QUILLMAR_PHONETIC_MODULE (default: plugins/quillmar_phonetic.so of the build that holds the
# command-line tool).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/collections}
build=${QUILLMAR_BUILD_DIR:-build}
quillmar=${QUILLMAR_CLI:-$build/cli/quillmar}
phonetic=${QUILLMAR_PHONETIC_MODULE:-$(dirname "$quillmar")/../plugins/quillmar_phonetic.so}
if [[ ! -f "$phonetic" ]]; then
  echo "build-collections.sh: no phonetic module at $phonetic (build the target quillmar_phonetic)" >&2
  exit 1
fi
mkdir -p "$out"

"$quillmar" build samples/sample/sample.qms -o "$out/sample" --fuzzy "$phonetic"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bible -l100000 gen1:1-rev22:21 > "$work/kjv.txt"
tools/kjv_to_qms.py "$work/kjv.txt" > "$work/kjv.qms"
"$quillmar" build "$work/kjv.qms" -o "$out/kjv" --fuzzy "$phonetic"
