#!/usr/bin/env bash
# Builds everything (every warning an error) and runs every test: the
# portable core's unit tests (native, AddressSanitizer +
# UndefinedBehaviorSanitizer), the same unit tests built by MinGW and run
# under Wine, then the end-to-end tests of the real Windows programs under
# Wine, then each libFuzzer target for a few seconds (FWU_FUZZ_SECONDS,
# default 5). Ends with one line "N passed, N failed".
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

# The same unit tests as shipped: MinGW, 16-bit wchar_t, Windows runtimes.
echo "== unit tests (Wine) =="
ctest --preset windows -j2 -L wine-unit 2>&1 | tee build/unit-wine.log
unit_wine_rc=${PIPESTATUS[0]}
# Their prefix's wineserver would linger for a minute.
[ -d build/windows/wine-unit/prefix ] && WINEPREFIX=$PWD/build/windows/wine-unit/prefix wineserver -k 2>/dev/null

echo "== end-to-end tests (Wine) =="
ctest --preset windows -j2 -LE wine-unit ${FWU_E2E_FILTER:+-R "$FWU_E2E_FILTER"} 2>&1 | tee build/e2e.log
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
read -r wp wf < <(summary build/unit-wine.log)
read -r ep ef < <(summary build/e2e.log)
# A runner that crashed before its summary still counts as a failure.
if [ "$unit_rc" -ne 0 ] && [ "$uf" -eq 0 ]; then uf=1; fi
if [ "$unit_wine_rc" -ne 0 ] && [ "$wf" -eq 0 ]; then wf=1; fi
if [ "$e2e_rc" -ne 0 ] && [ "$ef" -eq 0 ]; then ef=1; fi
echo "unit: $up passed, $uf failed; unit (Wine): $wp passed, $wf failed; end-to-end: $ep passed, $ef failed;" \
  "fuzz: $fp passed, $ff failed"
echo "$((up + wp + ep + fp)) passed, $((uf + wf + ef + ff)) failed"
[ "$((uf + wf + ef + ff))" -eq 0 ]
