#!/usr/bin/env bash
# The main job: builds every program for Windows, lays out an example
# package from examples/, runs its task list with Update under Wine
# (silent, unattended) and prints Update's log and exit code.
#   scripts/main-job.sh [EXAMPLE] [UPDATE OPTIONS...]
# EXAMPLE is a folder name under examples/ (default: branching).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

example=${1:-branching}
shift || true
[ -d "examples/$example" ] || { echo "no example named '$example' under examples/" >&2; exit 1; }
options=("$@")
[ ${#options[@]} -gt 0 ] || options=(/s)

cmake --preset windows >/dev/null
cmake --build --preset windows

pkg="$PWD/build/demo/$example"
rm -rf "$pkg"
mkdir -p "$pkg"
cp build/windows/bin/*.exe "$pkg/"
cp -r "examples/$example/." "$pkg/"
rm -f "$pkg/README.md"

. scripts/wine-env.sh
export WINEPREFIX="$PWD/build/demo/wineprefix"
if [ ! -d "$WINEPREFIX/drive_c" ]; then
  echo "Creating the Wine prefix (once)..."
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi

fwu_start_display 120 160
trap fwu_stop_wine EXIT

log="$pkg/update.log"
echo "Running: Update.exe ${options[*]} /LOG:$(fwu_to_win "$pkg")\\update.log  (package $pkg)"
# runexit also exits with the low byte of the code: not a failure here.
out=$(wine build/windows/testbin/runexit.exe "$(fwu_to_win "$pkg/Update.exe")" "${options[@]}" "/LOG:$(fwu_to_win "$pkg")\\update.log") || true
echo "---- update.log ----"
if [ -f "$log" ]; then iconv -f UTF-16LE -t UTF-8 "$log" | sed '1s/^\xEF\xBB\xBF//' | tr -d '\r'; fi
echo "--------------------"
echo "Update $(grep -a "^exit" <<<"$out" | tr -d "\r")"
