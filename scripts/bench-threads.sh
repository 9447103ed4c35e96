#!/usr/bin/env bash
# Wall time and peak memory of r3aztex on one and on two threads, in paired
# runs: a 4096x4096 PNG and a batch of 24 real textures (the eight of the
# shared image folder, each also turned by 90 and 180 degrees), both to DXT1
# with a full chain of levels.
#
#   scripts/bench-threads.sh [ROUNDS] [-- EXTRA CONVERT OPTIONS]
#
# ROUNDS (default 5) pairs are run for each case, the two thread counts in
# turn (1 2, 2 1, ...), so drifting machine speed touches both alike. The
# table gives the median wall time of each, the median of the ratios pair
# by pair, and the largest peak resident memory. Needs a release build
# (make build; R3AZTEX names another program), python3 and ImageMagick's
# convert for the inputs. IMAGES names the folder of source textures
# (default: ../shared/images beside the clone). Measure on a quiet
# machine: the ratios mean little while other work competes for the cores.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=5
if [[ $# -gt 0 && $1 != "--" ]]; then
    rounds=$1
    shift
fi
[[ $# -gt 0 && $1 == "--" ]] && shift
extra=("$@")

tool=${R3AZTEX:-build/release/bin/r3aztex}
images=${IMAGES:-../shared/images}
[[ -d $images ]] || images=../../shared/images
for need in "$tool" "$images"; do
    [[ -e $need ]] || { echo "bench-threads: $need is missing (make build; IMAGES=folder)" >&2; exit 1; }
done
command -v convert > /dev/null || { echo "bench-threads: ImageMagick's convert is needed for the inputs" >&2; exit 1; }

work=build/bench-threads
mkdir -p "$work/batch"
if [[ ! -e $work/large.png ]]; then
    for file in "$images"/*.png; do
        stem=$(basename "$file" .png)
        cp "$file" "$work/batch/$stem.png"
        convert "$file" -rotate 90 "$work/batch/${stem}_r90.png"
        convert "$file" -rotate 180 "$work/batch/${stem}_r180.png"
    done
    # Smooth gradients above, hard-edged metal below: 4096x4096, 64 MiB of
    # pixels.
    convert "$images/plasma1.png" "$images/tread.png" -append +repage -resize '4096x4096!' +repage "$work/large.png"
fi

echo "$(date -u '+%F %T') UTC, $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg), $rounds pairs" \
    "${extra[*]:+, options: ${extra[*]}}"
python3 - "$tool" "$work" "$rounds" "${extra[@]}" <<'EOF'
import os, statistics, subprocess, sys, time

tool, work, rounds, extra = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
batch = sorted(os.path.join(work, "batch", name) for name in os.listdir(os.path.join(work, "batch")))
cases = {
    "4096x4096": [os.path.join(work, "large.png"), "-o", os.path.join(work, "large.dds")],
    "batch of %d" % len(batch): batch + ["--outdir", os.path.join(work, "out")],
}

def run(arguments, threads):
    """Wall seconds and peak resident MiB of one run."""
    command = [tool, "convert", *arguments, "--format", "dxt1", "--mips", "0", "--threads", str(threads), "-q", *extra]
    start = time.monotonic()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.monotonic() - start
    if status != 0:
        sys.exit("bench-threads: failed: " + " ".join(command))
    return wall, usage.ru_maxrss / 1024

print("%-12s %10s %10s %12s %10s %10s" % ("case", "1 thread", "2 threads", "ratio 2/1", "peak 1", "peak 2"))
for name, arguments in cases.items():
    run(arguments, 1)  # warm the file cache
    walls = {1: [], 2: []}
    peaks = {1: [], 2: []}
    for pair in range(rounds):
        for threads in ((1, 2) if pair % 2 == 0 else (2, 1)):
            wall, peak = run(arguments, threads)
            walls[threads].append(wall)
            peaks[threads].append(peak)
    ratios = [two / one for one, two in zip(walls[1], walls[2])]
    print("%-12s %9.3fs %9.3fs %12.3f %7.0f MiB %6.0f MiB" % (
        name, statistics.median(walls[1]), statistics.median(walls[2]), statistics.median(ratios),
        max(peaks[1]), max(peaks[2])))
EOF
