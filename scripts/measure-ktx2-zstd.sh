#!/usr/bin/env bash
# How much Zstandard supercompression saves on BC7 KTX2 files: every PNG of
# a folder (../shared/images by default) written as BC7 with its mip chain,
# once plain and once with --zstd LEVEL (19, the level a bare --zstd takes),
# with each file's sizes and the total. Each compressed file is also
# converted back to a plain KTX2 file, which must be the plain one byte for
# byte (the blocks are copied, not encoded again).
#
#   scripts/measure-ktx2-zstd.sh [IMAGES_DIR] [LEVEL] [QUALITY]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
images="${1:-$root/../shared/images}"
level="${2:-19}"
quality="${3:-normal}"
tool="${R3AZTEX:-$root/build/release/bin/r3aztex}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$tool" convert "$images"/*.png --outdir "$work/plain" --file-type ktx2 --format bc7 --quality "$quality" --quiet
start=$(date +%s.%N)
"$tool" convert "$images"/*.png --outdir "$work/zstd" --file-type ktx2 --format bc7 --quality "$quality" \
  --zstd "$level" --quiet
seconds=$(awk "BEGIN { print $(date +%s.%N) - $start }")

printf '%-28s %12s %12s %8s %s\n' image plain "zstd $level" saved "read back"
plain_total=0
zstd_total=0
for file in "$work"/plain/*.ktx2; do
  name=$(basename "$file")
  plain=$(stat -c %s "$file")
  packed=$(stat -c %s "$work/zstd/$name")
  "$tool" convert "$work/zstd/$name" -o "$work/back.ktx2" --quiet
  same=$(cmp -s "$work/back.ktx2" "$file" && echo identical || echo DIFFERENT)
  printf '%-28s %12d %12d %7.1f%% %s\n' "$name" "$plain" "$packed" \
    "$(awk "BEGIN { print 100 * ($plain - $packed) / $plain }")" "$same"
  plain_total=$((plain_total + plain))
  zstd_total=$((zstd_total + packed))
done
printf '%-28s %12d %12d %7.1f%%\n' total "$plain_total" "$zstd_total" \
  "$(awk "BEGIN { print 100 * ($plain_total - $zstd_total) / $plain_total }")"
echo "BC7 encoding and Zstandard level $level together: ${seconds} s"
