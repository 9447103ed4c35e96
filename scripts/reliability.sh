#!/usr/bin/env bash
# The reliability battery: in the sanitizer build, the fault sweeps (the
# effect's whole life, the load operations and FilterTexture), the replay of
# every kept fuzz input, the determinism checks (the effect's frames, the
# host's pictures, r3aztex across thread counts) and the canary; then a
# short fuzz round. Ends with one summary table; the exit code is non-zero
# when anything failed.
#
# Expects the sanitizer build in build/asan (`make reliability` makes it).
# Settings (environment): RELIABILITY_FUZZ_SECONDS, time per fuzz target
# (default 20; 0 skips the round), and those of scripts/fuzz.sh.
set -uo pipefail
cd "$(dirname "$0")/.."

build=${ASAN_BUILD:-build/asan}
fuzz_seconds=${RELIABILITY_FUZZ_SECONDS:-20}
logs="$build/reliability"
mkdir -p "$logs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1

failures=()
crashes=0

# Runs one program; its output goes to a log. Counts a death by signal as a
# crash and any failure as a failed part of the battery.
run() {
  local name=$1
  shift
  local log="$logs/$name.log"
  # In a subshell, so the shell's own notice of a killed child stays out of
  # the summary.
  ("$@" > "$log" 2>&1; exit $?) 2> /dev/null
  local status=$?
  if [ "$status" -ne 0 ]; then
    failures+=("$name (exit $status, see $log)")
    if [ "$status" -gt 128 ]; then
      crashes=$((crashes + 1))
    fi
  fi
  printf '  %-40s %s\n' "$name" "$([ "$status" -eq 0 ] && echo passed || echo FAILED)"
  return 0
}

# Sums the field `key=N` over every "reliability:" line of the logs given.
sum() {
  local key=$1
  shift
  cat "$@" 2> /dev/null | grep -o "reliability:.*" | grep -oE "(^| )$key=[0-9]+" | cut -d= -f2 |
    awk '{ s += $1 } END { print s + 0 }'
}

echo "Reliability battery (sanitizer build in $build)"

# --- fault sweeps ---------------------------------------------------------------
run effect-fault-sweeps "$build/bin/test_reliability" --gtest_filter='Life/EffectFaultSweep.*'
if [ -x "$build/bin/test_load" ]; then
  run load-fault-sweeps "$build/bin/test_load" --gtest_filter='*Sweep*'
fi

# --- determinism --------------------------------------------------------------------
run effect-determinism "$build/bin/test_reliability" --gtest_filter='*Determinism*'
if [ -x "$build/bin/test_r3aztex" ]; then
  run r3aztex-thread-determinism "$build/bin/test_r3aztex" \
    --gtest_filter='*ByteIdenticalForAnyThreadCount*:*DoNotDependOnThreadCount*'
fi

# --- kept fuzz inputs -----------------------------------------------------------------
replay_logs=()
for replay in "$build"/bin/replay_*; do
  [ -x "$replay" ] || continue
  name=$(basename "$replay")
  run "$name" "$replay"
  replay_logs+=("$logs/$name.log")
done

# --- canary: the sanitizers must stop each deliberate fault ----------------------
canary="$build/bin/reliability_canary"
canaries=0
if [ -x "$canary" ]; then
  for mode_and_report in "heap-overflow:AddressSanitizer: heap-buffer-overflow" \
                         "leak:LeakSanitizer: detected memory leaks" \
                         "signed-overflow:runtime error: signed integer overflow"; do
    mode=${mode_and_report%%:*}
    report=${mode_and_report#*:}
    log="$logs/canary-$mode.log"
    ("$canary" "$mode" > "$log" 2>&1; exit $?) 2> /dev/null
    status=$?
    if [ "$status" -ne 0 ] && grep -q "$report" "$log"; then
      canaries=$((canaries + 1))
      printf '  %-40s %s\n' "canary $mode" "caught"
    else
      failures+=("canary $mode was not caught (exit $status, see $log)")
      printf '  %-40s %s\n' "canary $mode" "NOT CAUGHT"
    fi
  done
else
  failures+=("no canary in $build: is it a sanitizer build?")
fi

# --- short fuzz round ---------------------------------------------------------------
fuzz_executions=0
fuzz_crashes=0
fuzz_timeouts=0
fuzz_ooms=0
if [ "$fuzz_seconds" -gt 0 ]; then
  fuzz_build=${FUZZ_BUILD:-build/fuzz}
  if FUZZ_SECONDS=$fuzz_seconds bash scripts/fuzz.sh > "$logs/fuzz.log" 2>&1; then
    printf '  %-40s %s\n' "fuzz round (${fuzz_seconds} s a target)" passed
  else
    failures+=("fuzz round (see $logs/fuzz.log)")
    printf '  %-40s %s\n' "fuzz round (${fuzz_seconds} s a target)" FAILED
  fi
  summary="$fuzz_build/summary.txt"
  if [ -f "$summary" ]; then
    field() { grep -oE "(^| )$1=[0-9]+" "$summary" | cut -d= -f2 | awk '{ s += $1 } END { print s + 0 }'; }
    fuzz_executions=$(field executions)
    fuzz_crashes=$(field crashes)
    fuzz_timeouts=$(field timeouts)
    fuzz_ooms=$(field ooms)
  fi
  sed -n '/^target /,/^total /p' "$logs/fuzz.log" | sed 's/^/    /'
fi

# --- summary ---------------------------------------------------------------------------
sweep_logs=("$logs/effect-fault-sweeps.log" "$logs/load-fault-sweeps.log")
faults=$(sum faults_injected "${sweep_logs[@]}")
leaks=$(sum leaks "${sweep_logs[@]}")
locks=$(sum unbalanced_locks "${sweep_logs[@]}")
replayed=$(sum inputs_replayed "${replay_logs[@]}")
# Leaks and locks the other suites and the fuzzers found end their runs:
# each failed run counts once.
for log in "$logs"/*.log; do
  if grep -q "LeakSanitizer: detected memory leaks" "$log" && [[ "$log" != *canary* ]]; then
    leaks=$((leaks + 1))
  fi
done
crashes=$((crashes + fuzz_crashes))

echo
echo "Summary"
printf '  %-28s %12s\n' "bad inputs tried" "$((replayed + fuzz_executions))"
printf '  %-28s %12s\n' "  kept inputs replayed" "$replayed"
printf '  %-28s %12s\n' "  fuzz executions" "$fuzz_executions"
printf '  %-28s %12s\n' "faults injected" "$faults"
printf '  %-28s %12s\n' "crashes" "$crashes"
printf '  %-28s %12s\n' "timeouts / out of memory" "$fuzz_timeouts / $fuzz_ooms"
printf '  %-28s %12s\n' "leaks" "$leaks"
printf '  %-28s %12s\n' "unbalanced locks" "$locks"
printf '  %-28s %12s\n' "canaries caught" "$canaries of 3"

if [ ${#failures[@]} -ne 0 ]; then
  echo
  echo "Failed:"
  printf '  %s\n' "${failures[@]}"
  exit 1
fi
