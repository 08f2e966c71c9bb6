#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a set time.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
command -v clang++ >/dev/null || { apt-get update -q && apt-get install -y -q clang; }
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/corpus
for target in build/fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "build/fuzz/corpus/$name"
  echo "== $name for ${seconds}s =="
  "$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=1024 \
    -artifact_prefix="build/fuzz/$name-" "build/fuzz/corpus/$name" 2>&1 | tail -3
done
