#!/usr/bin/env bash
# Builds the libFuzzer targets of the record readers, the observed-curve readers (H/V and
# dispersion) and the settings, session, manifest and station-file readers with clang (AddressSanitizer
# and UndefinedBehaviorSanitizer on) and runs each for a bounded time.
#   scripts/fuzz.sh [SECONDS]    seconds per target, 30 by default
# New inputs go to build/fuzz/corpus/<target>; the seeds are fuzz/corpus/<target>.
# A crash stops the script with the fuzzer's report and a non-zero status.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

CXX=clang++ cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz

targets=(seg2 saf delta componentfile miniseed sac curvetable settingsfiles stationfile dispersiontable)

# Runs one target for the bounded time; its summary goes to build/fuzz/<target>.result.
run_target() {
  local target="$1" work="build/fuzz/corpus/$1" log="build/fuzz/$1.log"
  mkdir -p "$work"
  if ! ./build/fuzz/${target}_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -dict="fuzz/$target.dict" -artifact_prefix="build/fuzz/$target-" \
      "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz: $target failed (log: $log)" >&2
    return 1
  fi
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  echo "fuzz: $target ran $runs inputs in ${seconds} s without a fault"
}

# Two targets at a time, one a core; every target runs its full time.
status=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for target in "${targets[@]:i:2}"; do
    run_target "$target" &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid" || status=1; done
  [ "$status" -eq 0 ] || exit 1
done
