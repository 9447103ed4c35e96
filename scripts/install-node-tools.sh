#!/usr/bin/env bash
# Installs the Node.js packages the tests use into build/node-tools/ (never
# into the source tree), once: ktx-parse, the KTX2 reader the test of our
# KTX2 files checks them with. --ignore-scripts keeps the package from
# running anything while it installs; node and npm come from Debian
# (scripts/install-deps.sh). Several test runs may call this at once: the
# first installs, the others wait for it.
#
#   scripts/install-node-tools.sh          # into build/node-tools
#   scripts/install-node-tools.sh DIR      # into DIR
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-$root/build/node-tools}"
packages=(
  "ktx-parse@2.0.0"
)

mkdir -p "$target"
exec 9>"$target/.install.lock"
flock 9
if [ -f "$target/node_modules/ktx-parse/package.json" ]; then
  exit 0
fi
if ! command -v npm >/dev/null; then
  echo "install-node-tools.sh: npm is missing; run scripts/install-deps.sh first" >&2
  exit 1
fi
cd "$target"
[ -f package.json ] || echo '{"private": true}' >package.json
npm install --ignore-scripts --no-audit --no-fund "${packages[@]}"
echo "install-node-tools.sh: ktx-parse in $target/node_modules"
