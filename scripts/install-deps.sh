#!/usr/bin/env bash
# Installs the Debian packages the build needs, and (unless given `build`)
# those the tests, fuzzing and the benchmarks need too.
#
#   scripts/install-deps.sh          # everything a developer needs (make deps)
#   scripts/install-deps.sh build    # only what building the installed programs needs (make install)
#
# Packages already present are skipped: dpkg-query answers that without a
# lock, and apt-get (update, install) runs only when something is missing,
# so a run that needs nothing never waits for, or fights, another package
# manager.
set -euo pipefail

build_packages=(
  build-essential cmake ninja-build pkg-config
  libpng-dev      # PNG reading and writing (tools)
  libjpeg62-turbo-dev  # JPEG reading (r3aztex)
  libstb-dev      # TGA reading (r3aztex); stb's resizer and DXT encoder as benchmark peers
  libcli11-dev    # command-line parsing (tools)
  libwebp-dev     # animated WebP output (mirolan-play)
  libopenexr-dev  # OpenEXR reading and writing (HDR textures)
  libzstd-dev     # Zstandard supercompression of KTX2 files
  libastcenc-dev  # ASTC encoding and decoding
)
developer_packages=(
  libgtest-dev libgmock-dev
  # fuzzing and the sanitizer runtime for clang
  clang libclang-rt-14-dev
  # benchmarks
  libbenchmark-dev libsquish-dev libnvtt-dev
  # real clients that must read what r3aztex writes, and references for
  # other projects' DDS files (tests)
  imagemagick libnvtt-bin python3-pil
  # the KTX2 checker (npm's ktx-parse, installed into the build folder);
  # npm is added below only where no npm is on the path, as a Node.js from
  # elsewhere brings its own and conflicts with Debian's
  nodejs
  # the pages r3aztex writes, opened and driven in a real browser
  chromium chromium-driver python3-selenium
)

case "${1:-all}" in
  build) packages=("${build_packages[@]}") ;;
  all) packages=("${build_packages[@]}" "${developer_packages[@]}") ;;
  *)
    echo "install-deps.sh: unknown set '$1' (build or all)" >&2
    exit 1
    ;;
esac

# Not a Debian system: say so and leave the packages to the user; CMake
# names whatever is still missing.
if ! command -v dpkg-query > /dev/null; then
  echo "install-deps.sh: no dpkg-query here; install these (or your system's equivalents) yourself: ${packages[*]}" >&2
  exit 0
fi

if [ "${1:-all}" = all ] && ! command -v npm > /dev/null; then
  packages+=(npm)
fi

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
