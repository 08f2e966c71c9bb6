#!/usr/bin/env bash
# Builds everything (every warning an error) and runs every test: the
# portable core's unit tests (native, AddressSanitizer +
# UndefinedBehaviorSanitizer), the same unit tests built by MinGW and run
# under Wine, the end-to-end tests of the real Windows programs under Wine,
# then each libFuzzer target for a few seconds (FWU_FUZZ_SECONDS, default
# 5). The end-to-end tests, which mostly wait on Wine and the programs, run
# FWU_E2E_JOBS at a time (default 6), beside the unit tests under Wine and
# the build of the fuzz tree. Ends with one line "N passed, N failed", after
# one line of counts per stage and one of the stages' times.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh || exit 1

now() { date +%s; }
stage_times=()
timed() {  # NAME START: appends "NAME MmSSs" to the times line
  local s=$(($(now) - $2))
  stage_times+=("$1 $((s / 60))m$(printf %02d $((s % 60)))s")
}

t_start=$(now)
t0=$t_start
set -e
# CI builds with every warning an error (FWU_WERROR), the fuzz tree too.
cmake --preset host -DFWU_WERROR=ON >/dev/null
cmake --build --preset host
cmake --preset windows -DFWU_WERROR=ON >/dev/null
cmake --build --preset windows
set +e
timed build "$t0"

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
t0=$(now)
echo "== unit tests (host) =="
ctest --preset host -j2 2>&1 | tee build/unit.log
unit_rc=${PIPESTATUS[0]}
timed unit "$t0"

# From here three things run side by side: the end-to-end tests (their log
# is shown when they end), the fuzz tree's build and the unit tests under
# Wine. Each end-to-end test makes its own Wine prefix and display.
t0=$(now)
e2e_t0=$t0
# The unit tests under Wine are listed when ctest starts (their prefix is
# made then): once, here, before two ctest runs start in the one tree.
ctest --preset windows -N -L wine-unit >/dev/null 2>&1
ctest --preset windows -j"${FWU_E2E_JOBS:-6}" -LE wine-unit ${FWU_E2E_FILTER:+-R "$FWU_E2E_FILTER"} \
  >build/e2e.log 2>&1 &
e2e_pid=$!
{ cmake --preset fuzz -DFWU_WERROR=ON >/dev/null && nice -n 5 cmake --build --preset fuzz --target fuzzers; } \
  >build/fuzz-build.log 2>&1 &
fuzz_build_pid=$!

# The same unit tests as shipped: MinGW, 16-bit wchar_t, Windows runtimes.
echo "== unit tests (Wine) =="
ctest --preset windows -j2 -L wine-unit 2>&1 | tee build/unit-wine.log
unit_wine_rc=${PIPESTATUS[0]}
# Their prefix's wineserver would linger for a minute.
[ -d build/windows/wine-unit/prefix ] && WINEPREFIX=$PWD/build/windows/wine-unit/prefix wineserver -k 2>/dev/null
timed "unit (Wine)" "$t0"

wait "$e2e_pid"
e2e_rc=$?
echo "== end-to-end tests (Wine) =="
cat build/e2e.log
timed end-to-end "$e2e_t0"

# Each libFuzzer target runs for a few seconds and counts as one test, two
# at a time.
t0=$(now)
wait "$fuzz_build_pid"
echo "== fuzz targets (libFuzzer) =="
cat build/fuzz-build.log
FWU_FUZZ_JOBS=${FWU_FUZZ_JOBS:-2} bash scripts/fuzz.sh "${FWU_FUZZ_SECONDS:-5}" 2>&1 | tee build/fuzz.log
fuzz_rc=${PIPESTATUS[0]}
read -r fp ff < <(sed -nE 's/^fuzz: ([0-9]+) passed, ([0-9]+) failed$/\1 \2/p' build/fuzz.log | tail -1)
fp=${fp:-0}
ff=${ff:-0}
if [ "$fuzz_rc" -ne 0 ] && [ "$ff" -eq 0 ]; then ff=1; fi
timed fuzz "$t0"

read -r up uf < <(summary build/unit.log)
read -r wp wf < <(summary build/unit-wine.log)
read -r ep ef < <(summary build/e2e.log)
# A runner that crashed before its summary still counts as a failure.
if [ "$unit_rc" -ne 0 ] && [ "$uf" -eq 0 ]; then uf=1; fi
if [ "$unit_wine_rc" -ne 0 ] && [ "$wf" -eq 0 ]; then wf=1; fi
if [ "$e2e_rc" -ne 0 ] && [ "$ef" -eq 0 ]; then ef=1; fi
timed total "$t_start"
(IFS=';'; echo "times: ${stage_times[*]}" | sed 's/;/; /g')
echo "unit: $up passed, $uf failed; unit (Wine): $wp passed, $wf failed; end-to-end: $ep passed, $ef failed;" \
  "fuzz: $fp passed, $ff failed"
echo "$((up + wp + ep + fp)) passed, $((uf + wf + ef + ff)) failed"
[ "$((uf + wf + ef + ff))" -eq 0 ]
