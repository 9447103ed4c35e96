#!/usr/bin/env bash
# Our BC7 encoder against bc7enc on the real test images, one thread each:
# speed, RGB and alpha error, opaque pixels that lost their opacity, and
# the ratios ours/theirs (bench/bc7_peers/bc7_versus_peers.cpp says what
# each column is). Not part of the tests: run it by hand.
#
#   scripts/bench-bc7.sh [ROUNDS]
#
# Builds bench_bc7_peers in build/bench (the benchmark build of `make
# bench`), installs bc7enc into build/peers when it is missing
# (scripts/install-peers.sh) and keeps the DDS files it compares in
# build/bench-bc7. IMAGES names the folder of source textures (default:
# ../shared/images beside the clone). The machine's noise touches the
# megapixels per second: compare the ratios, and run on a quiet machine.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-1}
images=${IMAGES:-../shared/images}
[[ -d $images ]] || { echo "bench-bc7: image folder $images is missing (IMAGES=folder)" >&2; exit 1; }
bc7enc=build/peers/node_modules/@gpu-tex-enc/bc/bin/linux/bc7enc
[[ -x $bc7enc ]] || scripts/install-peers.sh

if [[ ! -f build/bench/CMakeCache.txt ]]; then
    cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DR3AZ_BENCH=ON -DR3AZ_TESTS=OFF > /dev/null
fi
flock /tmp/r3az-build.lock cmake --build build/bench -j 2 --target bench_bc7_peers
R3AZ_IMAGES=$(cd "$images" && pwd) build/bench/bin/bench_bc7_peers "$bc7enc" "$rounds" build/bench-bc7
