#!/usr/bin/env bash
# Installs what is needed, builds, and shows the catalog of installed collections.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build/cli/quillmar collections "$@"
