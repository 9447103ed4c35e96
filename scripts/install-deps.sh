#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
# Idempotent: packages already present are skipped, and nothing is asked of
# the package servers when everything is there.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  libpng-dev      # PNG reading and writing (tools)
  libjpeg62-turbo-dev  # JPEG reading (r3aztex)
  libstb-dev      # TGA reading (r3aztex); stb's resizer and DXT encoder as benchmark peers
  libcli11-dev    # command-line parsing (tools)
  libwebp-dev     # animated WebP output (mirolan-play): libwebp's animation encoder
  # fuzzing and the sanitizer runtime for clang
  clang libclang-rt-14-dev
  # benchmarks
  libbenchmark-dev libsquish-dev libnvtt-dev
  # real clients that must read what r3aztex writes, and references for
  # other projects' DDS files (tests)
  imagemagick libnvtt-bin python3-pil
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
