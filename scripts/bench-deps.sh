#!/usr/bin/env bash
# Installs the Debian 12 packages the benchmarks need beyond scripts/install-deps.sh: Xapian, the
# search engine scripts/compare-xapian.sh compares against. Not needed to build or test Quillmar.
set -euo pipefail
exec "$(dirname "$0")/install-deps.sh" libxapian-dev
