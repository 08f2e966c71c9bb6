#!/usr/bin/env bash
# Benchmark of the device walk: creates fixture devices in a throwaway Wine
# prefix, a few hundred in steps, and after each step prints
#  - the time of the tools' walk measured inside one process (devfixture
#    /WALK: runs the same walk code, a target that matches every fixture
#    device, so each one reaches the step) and of Portscout's interface search;
#  - the wall time of whole Findling and Portscout runs that read every
#    device, next to a run that stops before the walk (process start-up).
# Figures only; nothing is asserted. Needs the windows preset built.
#   scripts/bench-devtools.sh [STEP [STEPS [RUNS]]]   default 100 3 5
set -euo pipefail
cd "$(dirname "$0")/.."
STEP=${1:-100}
STEPS=${2:-3}
RUNS=${3:-5}
BIN=$PWD/build/windows/bin
TESTBIN=$PWD/build/windows/testbin
for f in "$BIN/Findling.exe" "$BIN/Portscout.exe" "$TESTBIN/devfixture.exe" "$TESTBIN/runexit.exe"; do
  [ -f "$f" ] || { echo "missing $f: build the windows preset first" >&2; exit 1; }
done

. scripts/wine-env.sh
WINEPREFIX=$(mktemp -d /tmp/fwu-bench-XXXXXX)
export WINEPREFIX
cleanup() { wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"; }
trap cleanup EXIT
wineboot -i >/dev/null 2>&1
wineserver -w

ms_now() { date +%s%N | cut -c1-13; }
# Median wall time in ms of RUNS runs of a program through runexit.
time_runs() {
  local times=() t0 t1
  for _ in $(seq "$RUNS"); do
    t0=$(ms_now)
    wine "$TESTBIN/runexit.exe" "$@" >/dev/null 2>&1 || true  # exit codes are not the point
    t1=$(ms_now)
    times+=($((t1 - t0)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (RUNS + 1) / 2 ))p"
}

time_runs "$BIN/Findling.exe" "/HwID:" >/dev/null  # warm-up
baseline=$(time_runs "$BIN/Findling.exe" "/HwID:")
echo "start-up only (Findling /HwID:, no walk): ${baseline} ms"
total=0
for step in $(seq "$STEPS"); do
  t0=$(ms_now)
  wine "$TESTBIN/devfixture.exe" "/COUNT:$STEP" "/HWID:ROOT\\FWU_BENCH_${step}_#|FWU_BENCH_COMPAT" \
    /PROB:1 /FW:1.0 /IFACE:2 >/dev/null
  t1=$(ms_now)
  total=$((total + STEP))
  walk=$(time_runs "$BIN/Findling.exe" "/HwID:NO_SUCH_DEVICE")
  usb=$(time_runs "$BIN/Portscout.exe" "/VID:0xFFFF" "/PID:0xFFFF")
  echo "fixture devices: $total (created $STEP in $((t1 - t0)) ms)"
  wine "$TESTBIN/devfixture.exe" /WALK:FWU_BENCH_COMPAT /REPEAT:20 | sed -e '/^started$/d' -e 's/^/  in process, /'
  echo "  full walk, Findling: ${walk} ms (walk alone ~$((walk - baseline)) ms)"
  echo "  interface walk, Portscout: ${usb} ms (walk alone ~$((usb - baseline)) ms)"
done
