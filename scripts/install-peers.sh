#!/usr/bin/env bash
# Installs the outside encoders the BC7 benchmark compares ours with, into
# build/peers/ (never into the source tree). They come from npm as prebuilt
# programs; --ignore-scripts keeps the packages from running anything while
# they install. node and npm themselves come from Debian (scripts/install-deps.sh).
#
#   scripts/install-peers.sh            # into build/peers
#   scripts/install-peers.sh DIR        # into DIR
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
target="${1:-$root/build/peers}"
packages=(
  "@gpu-tex-enc/bc@1.0.11"  # bc7enc (bin/linux/bc7enc)
)

if ! command -v npm >/dev/null; then
  echo "install-peers.sh: npm is missing; run scripts/install-deps.sh first" >&2
  exit 1
fi
mkdir -p "$target"
cd "$target"
[ -f package.json ] || echo '{"private": true}' >package.json
npm install --ignore-scripts --no-audit --no-fund "${packages[@]}"

bc7enc="$target/node_modules/@gpu-tex-enc/bc/bin/linux/bc7enc"
chmod +x "$bc7enc"
echo "install-peers.sh: bc7enc at $bc7enc"
