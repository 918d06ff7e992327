#!/usr/bin/env bash
# Installs what is needed, builds the reader and the bundled collections, and shows them. With a
# display, the bundled collections are registered in the user's settings and the reader starts.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
scripts/build-collections.sh build/collections
build/cli/quillmar collections --collection build/collections/sample --collection build/collections/kjv
build/cli/quillmar texts --collection build/collections/sample

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]] && [[ -x build/gui/quillmar-reader ]]; then
  for collection in build/collections/sample build/collections/kjv; do
    build/cli/quillmar register "$PWD/$collection" >/dev/null
  done
  exec build/gui/quillmar-reader
fi
