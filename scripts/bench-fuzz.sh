#!/usr/bin/env bash
# Benchmark of the libFuzzer targets' speed: each target fuzzes for SECONDS
# from its checked-in seeds alone, in a fresh corpus, at the max_len of its
# tests/fuzz/<target>.options, and prints its executions per CPU-second and
# the time 10 million executions take at that rate. Figures only; nothing is
# asserted, and no finding is kept (scripts/fuzz.sh is the fuzzing run).
#   scripts/bench-fuzz.sh [SECONDS [TARGET...]]   default 60, every target
# FWU_FUZZ_BIN=DIR measures the targets built in DIR instead of
# build/fuzz/tests/fuzz (say, another checkout's, to compare two versions).
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_PER_TARGET=${1:-60}
shift || true
BIN=${FWU_FUZZ_BIN:-$PWD/build/fuzz/tests/fuzz}
if [ -z "${FWU_FUZZ_BIN:-}" ]; then
  bash scripts/deps.sh >/dev/null
  cmake --preset fuzz >/dev/null && cmake --build --preset fuzz --target fuzzers >/dev/null
fi
source scripts/fuzz-env.sh
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  for t in "$BIN"/fuzz_*; do [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi
work=$(mktemp -d /tmp/fwu-bench-fuzz-XXXXXX)
trap 'rm -rf "$work"' EXIT
for name in "${targets[@]}"; do
  fuzz_target_options "$name"
  seeds=()
  [ -d "tests/fuzz/seeds/$name" ] && seeds=("tests/fuzz/seeds/$name")
  mkdir -p "$work/$name"
  # CPU time, not wall time: the figure holds on a busy machine too.
  TIMEFORMAT='%U %S'
  { time "$BIN/$name" -max_total_time="$SECONDS_PER_TARGET" -max_len="$max_len" "${dict[@]}" -rss_limit_mb=1024 \
      -print_final_stats=1 -artifact_prefix="$work/$name-" "$work/$name" "${seeds[@]}" \
      >"$work/$name.log" 2>&1 || true; } 2>"$work/$name.time"
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$work/$name.log" | tail -1)
  read -r user sys <"$work/$name.time"
  awk -v n="$name" -v runs="${runs:-0}" -v cpu="$user" -v sys="$sys" -v len="$max_len" 'BEGIN {
    cpu += sys
    rate = cpu > 0 ? runs / cpu : 0
    hours = rate > 0 ? 1e7 / rate / 3600 : 0
    printf "%s: %d executions in %.0f CPU-s, %.0f per CPU-second (max_len %d); 10 million in %.1f h\n",
           n, runs, cpu, rate, len, hours }'
done
