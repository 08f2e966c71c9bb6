#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each target, from its
# corpus in build/fuzz/corpus and its checked-in seeds in tests/fuzz/seeds.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
#   scripts/fuzz.sh --runs N               (N executions per target)
# Inputs up to the max_len of the target's tests/fuzz/<target>.options (the
# size the code under test meets), else 65536 bytes, with the dictionary its
# "dict" line names; FWU_FUZZ_MAX_LEN, when
# set, holds every target to that size instead. A finding is kept as
# build/fuzz/<target>-crash-*; each target's output is in build/fuzz/<target>.log.
# Ends with one line "fuzz: N passed, N failed" (a target passes when it
# finds nothing); exits 1 when a target failed or the build did.
# FWU_FUZZ_JOBS=N runs N targets at a time (default 1).
set -uo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  --runs) limit=(-runs="${2:?--runs needs a count}") ;;
  "") limit=(-max_total_time=60) ;;
  *) limit=(-max_total_time="$1") ;;
esac
bash scripts/deps.sh || exit 1
if ! { cmake --preset fuzz >/dev/null && cmake --build --preset fuzz --target fuzzers; }; then
  echo "fuzz: 0 passed, 1 failed"
  exit 1
fi
source scripts/fuzz-env.sh
# One target's run; its verdict line goes to build/fuzz/<target>.result.
run_target() {
  local target=$1 name corpus seeds max_len dict start rc runs
  name=$(basename "$target")
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=()
  [ -d "tests/fuzz/seeds/$name" ] && seeds=("tests/fuzz/seeds/$name")
  fuzz_target_options "$name"
  max_len=${FWU_FUZZ_MAX_LEN:-$max_len}
  start=$(date +%s)
  "$target" "${limit[@]}" -max_len="$max_len" "${dict[@]}" -rss_limit_mb=1024 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/$name-" "$corpus" "${seeds[@]}" >"build/fuzz/$name.log" 2>&1
  rc=$?
  runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "build/fuzz/$name.log" | tail -1)
  echo "$rc $name: ${runs:-?} executions in $(($(date +%s) - start)) s, exit status $rc" >"build/fuzz/$name.result"
}

# FWU_FUZZ_JOBS targets run at a time (default 1); the report keeps the
# targets' order.
jobs=${FWU_FUZZ_JOBS:-1}
targets=()
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  targets+=("$target")
  rm -f "build/fuzz/$(basename "$target").result"
done
running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
  echo "== $(basename "$target") (${limit[*]}) =="
  run_target "$target" &
  running=$((running + 1))
done
wait
passed=0
failed=0
for target in "${targets[@]}"; do
  name=$(basename "$target")
  result="build/fuzz/$name.result"
  if [ -f "$result" ]; then read -r rc line <"$result"; else rc=1 line="$name: no result"; fi
  echo "$line"
  if [ "$rc" -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    tail -40 "build/fuzz/$name.log"
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
