#!/usr/bin/env bash
# ASTC through our conversion pipeline on two threads beside libastcenc
# called directly on one thread, on the real test images: speed, RGB error
# and the ratio ours/direct for 4x4 at fast, normal and high and 6x6 at
# normal (bench/astc_direct/astc_versus_direct.cpp says what each column
# is). Not part of the tests: run it by hand.
#
#   scripts/bench-astc.sh [ROUNDS [THREADS [SETTING]]]
#
# SETTING runs one row alone: "4x4 fast", "4x4 normal", "4x4 high" or
# "6x6 normal".
#
# Builds bench_astc_direct in build/bench (the benchmark build of `make
# bench`). IMAGES names the folder of source textures (default:
# ../shared/images beside the clone). The machine's noise touches the
# megapixels per second: compare the ratios, and run on a quiet machine.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=${1:-1}
threads=${2:-2}
images=${IMAGES:-../shared/images}
[[ -d $images ]] || { echo "bench-astc: image folder $images is missing (IMAGES=folder)" >&2; exit 1; }

if [[ ! -f build/bench/CMakeCache.txt ]]; then
    cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DR3AZ_BENCH=ON -DR3AZ_TESTS=OFF > /dev/null
fi
flock /tmp/r3az-build.lock cmake --build build/bench -j 2 --target bench_astc_direct
R3AZ_IMAGES=$(cd "$images" && pwd) build/bench/bin/bench_astc_direct "$rounds" "$threads" ${3:+"$3"}
