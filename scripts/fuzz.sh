#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour
# sanitizers) and runs each for a bounded time on a copy of its seed corpus,
# then prints per target: executions, executions per second, corpus size,
# crashes, timeouts and out-of-memory cases.
#
# Settings (environment):
#   FUZZ_SECONDS   time per target (default 60)
#   FUZZ_TIMEOUT   seconds one input may take before it counts as a timeout (default 25)
#   FUZZ_RSS_MB    memory limit of a fuzzing process (default 2048)
#   FUZZ_TARGETS   space-separated subset of targets (default: every target built)
#   FUZZ_BUILD     build folder (default build/fuzz)
#   JOBS           parallel compile jobs (default: all cores)
#   WERROR         ON (default) makes warnings in our own code errors
#
# The committed corpus is never changed: each run works on a copy in
# $FUZZ_BUILD/work/<target>. Inputs that crash, hang or run out of memory are
# written to $FUZZ_BUILD/artifacts/<target>/; keep a real one by copying it to
# fuzz/crashers/<target>/, where `make test` replays it. The exit code is
# non-zero when any target crashed, timed out or ran out of memory.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
timeout=${FUZZ_TIMEOUT:-25}
rss=${FUZZ_RSS_MB:-2048}
build=${FUZZ_BUILD:-build/fuzz}
jobs=${JOBS:-$(nproc)}

launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD"
fi
cmake -S . -B "$build" -G Ninja -Wno-dev "${launcher[@]}" \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DCMAKE_C_FLAGS_DEBUG="-O1 -g" \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DR3AZ_FUZZ=ON -DR3AZ_TESTS=OFF -DR3AZ_WERROR="${WERROR:-ON}" > /dev/null
if [ -n "${FUZZ_TARGETS:-}" ]; then
  read -r -a targets <<< "$FUZZ_TARGETS"
else
  mapfile -t targets < "$build/fuzz_targets.txt"
fi
cmake --build "$build" --target "${targets[@]}" -j "$jobs"

summary="$build/summary.txt"
: > "$summary"
failed=0
total=0
printf '\n%-22s %12s %9s %8s %8s %9s %5s\n' target executions exec/s corpus crashes timeouts oom
for target in "${targets[@]}"; do
  [ -n "$target" ] || continue
  work="$build/work/$target"
  artifacts="$build/artifacts/$target"
  log="$build/logs/$target.log"
  rm -rf "$work" "$artifacts"
  mkdir -p "$work" "$artifacts" "$(dirname "$log")"
  if compgen -G "fuzz/corpus/$target/*" > /dev/null; then
    cp fuzz/corpus/"$target"/* "$work"/
  fi
  extra=()
  [ -d "fuzz/crashers/$target" ] && extra+=("fuzz/crashers/$target")
  [ -f "fuzz/dictionaries/$target.dict" ] && extra=("-dict=fuzz/dictionaries/$target.dict" "${extra[@]}")

  # One worker in fork mode: the run goes on after a crash, timeout or
  # running out of memory, and counts each.
  status=0
  "$build/bin/$target" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb="$rss" \
    -artifact_prefix="$artifacts/" "$work" "${extra[@]}" > "$log" 2>&1 || status=$?

  # The last progress line: "#N: cov: C ft: F corp: K exec/s E oom/timeout/crash: O/T/X time: Ss ..."
  last=$(grep -E '^#[0-9]+: cov:' "$log" | tail -1 || true)
  executions=$(sed -nE 's/^#([0-9]+):.*/\1/p' <<< "$last")
  corpus=$(sed -nE 's/.* corp: ([0-9]+).*/\1/p' <<< "$last")
  elapsed=$(sed -nE 's/.* time: ([0-9]+)s.*/\1/p' <<< "$last")
  ooms=$(sed -nE 's/.*oom\/timeout\/crash: ([0-9]+)\/([0-9]+)\/([0-9]+).*/\1/p' <<< "$last")
  timeouts=$(sed -nE 's/.*oom\/timeout\/crash: ([0-9]+)\/([0-9]+)\/([0-9]+).*/\2/p' <<< "$last")
  crashes=$(sed -nE 's/.*oom\/timeout\/crash: ([0-9]+)\/([0-9]+)\/([0-9]+).*/\3/p' <<< "$last")
  if [ -z "$last" ]; then
    # The fuzzer never reported progress: it could not start, or its first
    # inputs already broke it.
    executions=0 corpus=0 elapsed=1 ooms=0 timeouts=0 crashes=1
    echo "$target: no progress reported (exit $status); see $log" >&2
  fi
  # Inputs the fuzzer kept aside count even when the last line missed them.
  found=$(find "$artifacts" -name 'crash-*' -o -name 'leak-*' -o -name 'deadly*' | wc -l)
  [ "$found" -gt "$crashes" ] && crashes=$found
  [ "${elapsed:-0}" -gt 0 ] || elapsed=1
  rate=$((executions / elapsed))
  total=$((total + executions))
  printf '%-22s %12d %9d %8d %8d %9d %5d\n' "$target" "$executions" "$rate" "$corpus" "$crashes" "$timeouts" "$ooms"
  echo "fuzz: target=$target executions=$executions exec_per_second=$rate corpus=$corpus crashes=$crashes timeouts=$timeouts ooms=$ooms" >> "$summary"
  if [ "$crashes" -gt 0 ] || [ "$timeouts" -gt 0 ] || [ "$ooms" -gt 0 ]; then
    failed=1
  fi
done
echo "fuzz: total_executions=$total" >> "$summary"
printf '%-22s %12d\n' total "$total"

if [ "$failed" -ne 0 ]; then
  echo
  echo "Fuzzing found problems. Inputs are in $build/artifacts/<target>/, logs in $build/logs/."
  echo "Replay one with: $build/bin/<target> <file>"
  exit 1
fi
