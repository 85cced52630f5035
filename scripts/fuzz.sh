#!/usr/bin/env bash
# Builds the libFuzzer targets of the record readers, the observed-curve reader and the
# settings, session, manifest and station-file readers with clang (AddressSanitizer
# and UndefinedBehaviorSanitizer on) and runs each for a bounded time.
#   scripts/fuzz.sh [SECONDS]    seconds per target, 30 by default
# New inputs go to build/fuzz/corpus/<target>; the seeds are fuzz/corpus/<target>.
# A crash stops the script with the fuzzer's report and a non-zero status.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

CXX=clang++ cmake -S fuzz -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz

for target in seg2 saf delta componentfile miniseed sac curvetable settingsfiles stationfile; do
  work="build/fuzz/corpus/$target"
  mkdir -p "$work"
  log="build/fuzz/$target.log"
  if ! ./build/fuzz/${target}_fuzz -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -dict="fuzz/$target.dict" -artifact_prefix="build/fuzz/$target-" \
      "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz: $target failed (log: $log)" >&2
    exit 1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  echo "fuzz: $target ran $runs inputs in ${seconds} s without a fault"
done
