#!/usr/bin/env bash
# Builds the bundled collections with the project's own builder into $1 (default
# build/collections): the sample collection and the King James Bible from Debian's bible-kjv.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/collections}
quillmar=${QUILLMAR_CLI:-build/cli/quillmar}
mkdir -p "$out"

"$quillmar" build samples/sample/sample.qms -o "$out/sample"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bible -l100000 gen1:1-rev22:21 > "$work/kjv.txt"
tools/kjv_to_qms.py "$work/kjv.txt" > "$work/kjv.qms"
"$quillmar" build "$work/kjv.qms" -o "$out/kjv"
