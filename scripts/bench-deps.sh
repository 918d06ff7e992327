#!/usr/bin/env bash
# Installs the Debian 12 packages the benchmarks need beyond scripts/install-deps.sh: Xapian, the
# search engine scripts/compare-xapian.sh compares against. Not needed to build or test Quillmar.
set -euo pipefail
"$(dirname "$0")/install-deps.sh"

packages=(libxapian-dev)
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
