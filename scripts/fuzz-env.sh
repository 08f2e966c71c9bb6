# What every libFuzzer run of the project shares; sourced by scripts/fuzz.sh
# and scripts/bench-fuzz.sh from the top of the tree.

# ASan keeps no allocation stacks during fuzzing: recording one for every
# allocation costs a third of the time of the allocating targets. A finding
# is kept as a file; running the target on that file alone, with
# ASAN_OPTIONS=malloc_context_size=30, reports where the memory came from.
# Freed memory waits in an 8 MiB quarantine instead of 256 MiB: one input
# frees far less than that, so a use after free within a run is still
# caught, and the allocator reuses memory that is in cache instead of
# faulting in fresh pages (a third to half of the time of the targets that
# allocate most).
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=8}

# fuzz_target_options NAME: sets max_len to the max_len of
# tests/fuzz/NAME.options (65536 without one) and the array dict to the
# -dict= argument its "dict" line names (empty without one).
fuzz_target_options() {
  local options="tests/fuzz/$1.options"
  max_len=
  dict=()
  if [ -f "$options" ]; then
    max_len=$(sed -nE 's/^max_len *= *([0-9]+) *$/\1/p' "$options" | tail -1)
    dict=($(sed -nE 's/^dict *= *([^ ]+) *$/-dict=tests\/fuzz\/\1/p' "$options" | tail -1))
  fi
  max_len=${max_len:-65536}
}
