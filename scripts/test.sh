#!/usr/bin/env bash
# Builds everything and runs every test: the portable core's unit tests
# (native, AddressSanitizer + UndefinedBehaviorSanitizer), then the
# end-to-end tests of the real Windows programs under Wine, then each
# libFuzzer target for a few seconds (FWU_FUZZ_SECONDS, default 5).
# Ends with one line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh || exit 1

set -e
# CI builds with every warning an error (FWU_WERROR), the fuzz tree too.
cmake --preset host -DFWU_WERROR=ON >/dev/null
cmake --build --preset host
cmake --preset windows -DFWU_WERROR=ON >/dev/null
cmake --build --preset windows
set +e

summary() {  # passed failed from a ctest log
  local line
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -1)
  if [ -z "$line" ]; then echo "0 0"; return; fi
  local failed total
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  echo "$((total - failed)) $failed"
}

mkdir -p build
echo "== unit tests (host) =="
ctest --preset host -j2 2>&1 | tee build/unit.log
unit_rc=${PIPESTATUS[0]}

echo "== end-to-end tests (Wine) =="
ctest --preset windows -j2 ${FWU_E2E_FILTER:+-R "$FWU_E2E_FILTER"} 2>&1 | tee build/e2e.log
e2e_rc=${PIPESTATUS[0]}

# Each libFuzzer target runs for a few seconds and counts as one test.
echo "== fuzz targets (libFuzzer) =="
cmake --preset fuzz -DFWU_WERROR=ON >/dev/null
bash scripts/fuzz.sh "${FWU_FUZZ_SECONDS:-5}" 2>&1 | tee build/fuzz.log
fuzz_rc=${PIPESTATUS[0]}
read -r fp ff < <(sed -nE 's/^fuzz: ([0-9]+) passed, ([0-9]+) failed$/\1 \2/p' build/fuzz.log | tail -1)
fp=${fp:-0}
ff=${ff:-0}
if [ "$fuzz_rc" -ne 0 ] && [ "$ff" -eq 0 ]; then ff=1; fi

read -r up uf < <(summary build/unit.log)
read -r ep ef < <(summary build/e2e.log)
echo "unit: $up passed, $uf failed; end-to-end: $ep passed, $ef failed; fuzz: $fp passed, $ff failed"
if [ "$unit_rc" -ne 0 ] || [ "$e2e_rc" -ne 0 ]; then
  # A runner that crashed before its summary still counts as a failure.
  [ "$((uf + ef))" -gt 0 ] || uf=1
fi
echo "$((up + ep + fp)) passed, $((uf + ef + ff)) failed"
[ "$((uf + ef + ff))" -eq 0 ]
