# Shared by the scripts that run the programs under Wine; source it.
# The settings of every Wine run of this tree are the export lines below,
# one variable each, and nowhere else: the end-to-end harness
# (tests/e2e/fwutest.py) reads them from this file, so keep each a plain
# `export NAME=value` line.
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installers: they would ask with dialogs.
export WINEDLLOVERRIDES="mscoree,mshtml="

#   fwu_start_display FIRST LAST  starts an Xvfb on the first free display
#                                 number in FIRST..LAST unless a usable
#                                 display is set; sets DISPLAY, fwu_xvfb_pid
#   fwu_stop_wine                 ends the prefix's wineserver, then our Xvfb
#   fwu_to_win PATH               the Wine (Z: drive) form of a Linux path
fwu_xvfb_pid=""

fwu_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    fwu_xvfb_pid=$!
    export DISPLAY=":$n"
    sleep 1
    return 0
  done
  echo "no free X display in $1..$2" >&2
  return 1
}

fwu_stop_wine() {
  wineserver -k 2>/dev/null || true
  if [ -n "$fwu_xvfb_pid" ]; then kill "$fwu_xvfb_pid" 2>/dev/null || true; fi
}

fwu_to_win() { echo "Z:$(realpath "$1" | sed 's|/|\\|g')"; }
