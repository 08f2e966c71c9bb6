#!/usr/bin/env bash
# Builds everything and runs every test: the portable core's unit tests
# (native, AddressSanitizer + UndefinedBehaviorSanitizer), then the
# end-to-end tests of the real Windows programs under Wine.
# Ends with one line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh || exit 1

set -e
cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset windows >/dev/null
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

read -r up uf < <(summary build/unit.log)
read -r ep ef < <(summary build/e2e.log)
echo "unit: $up passed, $uf failed; end-to-end: $ep passed, $ef failed"
if [ "$unit_rc" -ne 0 ] || [ "$e2e_rc" -ne 0 ]; then
  # A runner that crashed before its summary still counts as a failure.
  [ "$((uf + ef))" -gt 0 ] || uf=1
fi
echo "$((up + ep)) passed, $((uf + ef)) failed"
[ "$((uf + ef))" -eq 0 ]
