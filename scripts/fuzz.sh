#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined-behaviour
# sanitizers) and runs each for a bounded time on a copy of its seed corpus,
# then prints per target: executions, executions per second of wall time
# and per second of processor time (what the target would reach with a core
# of its own on a busy machine), corpus size, crashes, timeouts and
# out-of-memory cases.
#
# Settings (environment):
#   FUZZ_SECONDS   time per target (default 60)
#   FUZZ_TIMEOUT   seconds one input may take before it counts as a timeout (default 25)
#   FUZZ_RSS_MB    memory limit of a fuzzing process (default 2048)
#   FUZZ_TARGETS   space-separated subset of targets (default: every target built)
#   FUZZ_BUILD     build folder (default build/fuzz)
#   FUZZ_WORKERS   fuzzing processes a target, sharing its corpus (default 1; more
#                  pay only where cores are idle: on this shared 2-core machine two
#                  workers ran fewer executions than one)
#   JOBS           parallel compile jobs (default: all cores)
#   WERROR         ON (default) makes warnings in our own code errors
#
# The committed corpus is never changed: each run works on a copy (in
# /dev/shm while it runs) left in $FUZZ_BUILD/work/<target>. Inputs that crash, hang or run out of memory are
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
workers=${FUZZ_WORKERS:-1}

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

# Fuzzer settings for speed, measured on this project's targets:
# - Entropic scheduling looks up every feature of every run in its list of
#   rare features; with the default threshold that list grows to thousands
#   and the look-ups take about a third of each run. A threshold of 16 keeps
#   the list near its hundred rarest features.
# - A 16 MiB quarantine instead of 256 MiB: freed memory is reused sooner, so
#   runs touch fewer fresh pages. A use after free within a run (each run
#   allocates far less) is still caught.
# - Four frames of each allocation's and release's call stack instead of
#   30: every run allocates thousands of blocks, and recording their stacks
#   took a tenth of the time. A kept input replayed by hand (below) shows
#   the whole stacks again.
fuzz_flags=(-entropic_feature_frequency_threshold=16)
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=16:malloc_context_size=4"

# fuzz_worker TARGET INDEX: one worker's fuzzing for the whole time. A
# crash, timeout or running out of memory ends a fuzzing process after it
# kept the input; the worker then starts another with the rest of the time,
# so each one is counted. (libFuzzer's fork mode does the same, but its
# restarts, merges and per-input feature files every few seconds cost a
# third of the executions.) Workers share the corpus folder and pick up
# each other's finds.
fuzz_worker() {
  local target=$1 index=$2
  local log="$build/logs/$target.$index.log"
  local segments=0 last_ran="" reports status ran left
  : > "$log"
  while :; do
    left=$((deadline - $(date +%s)))
    [ "$left" -gt 0 ] || break
    segments=$((segments + 1))
    reports=$(grep -c '^stat::number_of_executed_units' "$log" || true)
    status=0
    "$build/bin/$target" "${fuzz_flags[@]}" -print_final_stats=1 \
      -max_total_time="$left" -timeout="$timeout" -rss_limit_mb="$rss" \
      -artifact_prefix="$artifacts/" "$work" "${extra[@]}" >> "$log" 2>&1 || status=$?
    [ "$status" -eq 0 ] && break
    # A process that reports nothing could not start; one that stops at the
    # same count as the one before breaks on a kept input. Either way,
    # trying again would only repeat it.
    ran=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$log" | tail -1)
    if [ "$(grep -c '^stat::number_of_executed_units' "$log" || true)" -eq "$reports" ] || [ "$ran" = "$last_ran" ] ||
      [ "$segments" -ge 50 ]; then
      echo "$target: fuzzing cannot go on (exit $status); see $log" >&2
      touch "$artifacts/.stalled"
      break
    fi
    last_ran=$ran
  done
}

# Processor time of the shell's finished children, in milliseconds, into
# $children_cpu (`times` must run in this shell, not in a subshell).
children_cpu_ms() {
  times > "$build/times.txt"
  children_cpu=$(tail -1 "$build/times.txt" | awk '{
    n = 0
    for (i = 1; i <= 2; ++i) { split($i, t, "m"); sub("s", "", t[2]); n += t[1] * 60 + t[2] }
    printf "%d", n * 1000 }')
}

# Each run's corpus grows file by file while it fuzzes: in memory (/dev/shm)
# where there is one, since creating files on a busy or fragmented disk took
# up to a fifth of some targets' time; copied to $build/work afterwards.
scratch=""
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  scratch=$(mktemp -d /dev/shm/r3az-fuzz.XXXXXX)
  trap 'rm -rf "$scratch"' EXIT
fi

printf '\n%-22s %12s %9s %10s %8s %8s %9s %5s\n' target executions exec/s exec/cpu-s corpus crashes timeouts oom
for target in "${targets[@]}"; do
  [ -n "$target" ] || continue
  kept="$build/work/$target"
  work=${scratch:+$scratch/$target}
  work=${work:-$kept}
  artifacts="$build/artifacts/$target"
  rm -rf "$kept" "$work" "$artifacts" "$build/logs/$target".*log
  mkdir -p "$work" "$artifacts" "$build/logs"
  if compgen -G "fuzz/corpus/$target/*" > /dev/null; then
    cp fuzz/corpus/"$target"/* "$work"/
  fi
  extra=()
  [ -d "fuzz/crashers/$target" ] && extra+=("fuzz/crashers/$target")
  [ -f "fuzz/dictionaries/$target.dict" ] && extra=("-dict=fuzz/dictionaries/$target.dict" "${extra[@]}")

  started=$(date +%s%N)
  children_cpu_ms
  cpu_before=$children_cpu
  deadline=$((started / 1000000000 + seconds))
  for ((index = 1; index <= workers; index++)); do
    fuzz_worker "$target" "$index" &
  done
  wait
  executions=$(cat "$build/logs/$target".*.log | sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' |
    awk '{s += $1} END {print s + 0}')
  elapsed_ms=$(( ($(date +%s%N) - started) / 1000000 ))
  [ "$elapsed_ms" -gt 0 ] || elapsed_ms=1
  children_cpu_ms
  cpu_ms=$((children_cpu - cpu_before))
  [ "$cpu_ms" -gt 0 ] || cpu_ms=1
  corpus=$(find "$work" -type f | wc -l)
  if [ "$work" != "$kept" ]; then
    mkdir -p "$build/work"
    mv "$work" "$kept"
  fi
  crashes=$(find "$artifacts" -name 'crash-*' -o -name 'leak-*' -o -name 'deadly*' | wc -l)
  timeouts=$(find "$artifacts" -name 'timeout-*' | wc -l)
  ooms=$(find "$artifacts" -name 'oom-*' | wc -l)
  if [ -e "$artifacts/.stalled" ] && [ "$crashes" -eq 0 ]; then
    crashes=1
  fi
  rate=$((executions * 1000 / elapsed_ms))
  cpu_rate=$((executions * 1000 / cpu_ms))
  total=$((total + executions))
  printf '%-22s %12d %9d %10d %8d %8d %9d %5d\n' "$target" "$executions" "$rate" "$cpu_rate" "$corpus" "$crashes" \
    "$timeouts" "$ooms"
  echo "fuzz: target=$target executions=$executions exec_per_second=$rate exec_per_cpu_second=$cpu_rate" \
    "corpus=$corpus crashes=$crashes timeouts=$timeouts ooms=$ooms workers=$workers" >> "$summary"
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
