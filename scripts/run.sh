#!/usr/bin/env bash
# Installs what is needed, builds the reader and the bundled collections, and shows them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
scripts/build-collections.sh build/collections
build/cli/quillmar collections --collection build/collections/sample --collection build/collections/kjv
build/cli/quillmar texts --collection build/collections/sample
