#!/usr/bin/env bash
# The bounded form of one fuzz target, as the test suite runs it: every input
# of the corpus and of the regressions once, then fuzzing for the given
# seconds. New inputs go to the work folder, never into the sources.
#   run_bounded.sh FUZZER SECONDS WORK_FOLDER CORPUS REGRESSIONS
set -euo pipefail
fuzzer=$1 seconds=$2 work=$3 corpus=$4 regressions=$5
mkdir -p "$work" "$work/artifacts"
folders=("$work")
for f in "$corpus" "$regressions"; do
  [ -d "$f" ] && folders+=("$f")
done
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/artifacts/" "${folders[@]}"
