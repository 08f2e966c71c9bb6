#!/usr/bin/env bash
# Benchmarks of Update under Wine; prints figures, asserts nothing.
#   scripts/bench-update.sh [HASH_MIB]   (default 512)
# 1. SHA-256 throughput of Update's HashFileSha256 (CryptoAPI, 64 KiB
#    chunks) on one file, beside sha256sum on the same file.
# 2. Time per task of a chain of 1000 go-to tasks (no programs started).
# 3. Time per started-and-waited program, beside starting the same program
#    from cmd.exe in the same Wine session.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh >/dev/null
mib=${1:-512}

cmake --preset windows >/dev/null
cmake --build --preset windows -j2 >/dev/null

work="$PWD/build/bench"
rm -rf "$work"
mkdir -p "$work"
. scripts/wine-env.sh
export WINEPREFIX="$work/wineprefix"
cleanup() {
  fwu_stop_wine
  rm -rf "$work"
}
trap cleanup EXIT
fwu_start_display 161 199
wineboot -i >/dev/null 2>&1
wineserver -w

now() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc -l; }
testbin=build/windows/testbin

echo "== SHA-256 of a ${mib} MiB file"
head -c $((mib * 1024 * 1024)) /dev/urandom > "$work/image.bin"
cat "$work/image.bin" > /dev/null  # into the page cache for both readers
t0=$(now); ref=$(sha256sum "$work/image.bin" | cut -d' ' -f1); t1=$(now)
sum_s=$(elapsed "$t0" "$t1")
out=$(wine "$testbin/hashbench.exe" "$(fwu_to_win "$work/image.bin")" | tr -d '\r')
hash=$(echo "$out" | sed -n 's/^hash //p')
hash_s=$(echo "$out" | sed -n 's/^seconds //p')
[ "${hash,,}" = "$ref" ] && match=yes || match=NO
printf "HashFileSha256 (Wine): %7.3f s  %7.1f MiB/s   digest matches sha256sum: %s\n" \
  "$hash_s" "$(echo "$mib / $hash_s" | bc -l)" "$match"
printf "sha256sum (Linux):     %7.3f s  %7.1f MiB/s\n" "$sum_s" "$(echo "$mib / $sum_s" | bc -l)"
printf "ratio HashFileSha256 / sha256sum time: %.2f\n" "$(echo "$hash_s / $sum_s" | bc -l)"
rm -f "$work/image.bin"

# A package whose task list is written by the caller; prints the seconds
# the whole run took.
run_update() {
  local pkg="$work/pkg"
  rm -rf "$pkg"; mkdir -p "$pkg/config"
  cp build/windows/bin/Update.exe "$testbin/testprog.exe" "$pkg/"
  cat > "$pkg/config/config.ini"
  local t0 t1
  t0=$(now)
  wine "$testbin/runexit.exe" "$(fwu_to_win "$pkg/Update.exe")" /s >/dev/null || true
  t1=$(now)
  elapsed "$t0" "$t1"
}

echo "== Task sequencing"
base=$(printf '[CERT]\nVERIFY=OFF\n[TASK_1]\nType=11\nData=0\n' | run_update)
chain=$( { printf '[CERT]\nVERIFY=OFF\n'
           for i in $(seq 1 1000); do printf '[TASK_%d]\nType=9\nGoto=%d\n' "$i" $((i + 1)); done
           printf '[TASK_1001]\nType=11\nData=0\n'; } | run_update)
printf "run with 1 task: %.2f s, with 1000 go-to tasks more: %.2f s\n" "$base" "$chain"
printf "per go-to task: %.2f ms\n" "$(echo "($chain - $base) * 1000 / 1000" | bc -l)"

echo "== Started and waited programs (20 runs of testprog.exe)"
progs=$( { printf '[CERT]\nVERIFY=OFF\n'
           for i in $(seq 1 20); do printf '[TASK_%d]\nType=0\nPath=testprog.exe\nWaitExit=TRUE\n' "$i"; done
           printf '[TASK_21]\nType=11\nData=0\n'; } | run_update)
per_update=$(echo "($progs - $base) * 1000 / 20" | bc -l)
cp "$testbin/testprog.exe" "$work/"
t0=$(now); wine cmd /c "exit 0" >/dev/null 2>&1; t1=$(now)
cmd_base=$(elapsed "$t0" "$t1")
t0=$(now)
wine cmd /c "for /L %i in (1,1,20) do @$(fwu_to_win "$work/testprog.exe")" >/dev/null 2>&1
t1=$(now)
per_shell=$(echo "($(elapsed "$t0" "$t1") - $cmd_base) * 1000 / 20" | bc -l)
printf "per program started and waited by Update: %.0f ms (polled every 300 ms)\n" "$per_update"
printf "per program started from cmd.exe:         %.0f ms\n" "$per_shell"
printf "ratio: %.1f\n" "$(echo "$per_update / $per_shell" | bc -l)"
