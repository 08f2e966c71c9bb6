#!/usr/bin/env bash
# Differential test of TaskLint --trace against Update under Wine: COUNT
# random task lists from SEED, each run with Update /s and traced on paper;
# task order, log lines and exit code must agree. A failing list is shown
# with its seed.
#   scripts/difftest.sh [COUNT] [SEED]     (default 500 lists, seed from the clock)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-500}
seed=${2:-$(date +%s)}
cmake --preset host >/dev/null
cmake --build --preset host --target TaskLint
cmake --preset windows >/dev/null
cmake --build --preset windows --target Update TaskLint testprog runexit
echo "difftest: $count lists, seed $seed"
cd tests/e2e
FWU_BIN="$PWD/../../build/windows/bin" FWU_TESTBIN="$PWD/../../build/windows/testbin" \
  FWU_DIFF_COUNT="$count" FWU_DIFF_SEED="$seed" \
  python3 -m unittest -v test_tasklint_differential.Differential
