#!/usr/bin/env bash
# Our BC6H encoder at fast, normal and high on the HDR set made from the
# real test images, one thread: speed, log2 RMSE and tone-mapped PSNR,
# then the same for the held-out images (bench/bc6h_levels/bc6h_levels.cpp
# says how each is made and measured). Not part of the tests: run it by
# hand.
#
#   scripts/bench-bc6h.sh [ROUNDS [uf16|sf16 [fast|normal|high]]]
#
# A level named runs alone (for a profiler: perf record on the program).
# Builds bench_bc6h_levels in build/bench (the benchmark build of `make
# bench`). IMAGES names the folder of source textures (default:
# ../shared/images beside the clone).
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-3}
form=${2:-uf16}
level=${3:-}
images=${IMAGES:-../shared/images}
[[ -d $images ]] || { echo "bench-bc6h: image folder $images is missing (IMAGES=folder)" >&2; exit 1; }

# Configured every time: the benchmark folders are found when CMake runs.
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DR3AZ_BENCH=ON -DR3AZ_TESTS=OFF > /dev/null
flock /tmp/r3az-build.lock cmake --build build/bench -j 2 --target bench_bc6h_levels
R3AZ_IMAGES=$(cd "$images" && pwd) build/bench/bin/bench_bc6h_levels "$rounds" "$form" $level
