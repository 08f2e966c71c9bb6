#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each for a
# set time. Not part of CI. Usage: scripts/fuzz.sh [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/corpus
status=0
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "build/fuzz/corpus/$name"
  echo "== $name for ${seconds}s =="
  "$target" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=1024 \
    -artifact_prefix="build/fuzz/$name-" "build/fuzz/corpus/$name" || status=1
done
exit $status
