#!/usr/bin/env bash
# Runs one console test program of the Windows tree under Wine, in a prefix
# of the build tree's own (the unit tests' emulator, see tests/CMakeLists.txt):
#   scripts/wine-unit.sh PREFIX PROGRAM [ARGUMENT...]
# The first run makes the prefix. The portable core's tests open no window,
# so no display is used. The wineserver and Wine's own background processes
# stay up for a minute after the last run, so that the many short runs of a
# test session share them instead of each starting them again.
set -u
prefix=$1
shift
. "$(dirname "$0")/wine-env.sh"
export WINEPREFIX=$prefix
unset DISPLAY
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
if [ ! -e "$prefix/.fwu-ready" ]; then
  rm -rf "$prefix"
  if ! wineboot -i >/dev/null 2>&1 9>&- || ! wineserver -w 9>&-; then
    echo "wine-unit: cannot make the Wine prefix $prefix" >&2
    exit 125
  fi
  touch "$prefix/.fwu-ready"
fi
# A server started here begins the session with Wine's background processes
# on /dev/null: started by the test program instead, they would hold its
# output open (and its caller waiting) until the session ends. (None of them
# may inherit the lock either.)
if wineserver -p60 >/dev/null 2>&1 9>&-; then
  wine wineboot.exe >/dev/null 2>&1 </dev/null 9>&-
fi
exec 9>&-
exec wine "$@"
