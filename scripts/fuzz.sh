#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ (clang++ from Debian, libFuzzer with
# AddressSanitizer and UndefinedBehaviorSanitizer) in their own build folder
# and runs them.
#
#   scripts/fuzz.sh [SECONDS [PARALLEL [TARGET...]]]
#       Fuzzes every target (or the ones named) for SECONDS each (default 600),
#       PARALLEL targets at a time (default 4), one process each. Each starts
#       from its seeds (fuzz/corpus/NAME), the inputs of the faults found
#       before (fuzz/regressions/NAME) and what earlier runs found
#       (BUILD/fuzz/found/NAME). Prints, per target, the executions, the time,
#       the coverage libFuzzer reports (cov: edges, ft: features) and the
#       inputs that crashed, which it leaves in BUILD/fuzz/artifacts/NAME.
#       Fix the fault, then copy the input into fuzz/regressions/NAME.
#   scripts/fuzz.sh bounded
#       The form the test suite runs: ctest over the fuzz tests, each target
#       over its corpus and regressions, then 20 s of fuzzing.
#
# Targets: dictionary_editor, dictionary_pass, preferences, encodings,
# expander, template, workspace. Build folder: $TESVORA_FUZZ_BUILD, else
# build-fuzz.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TESVORA_FUZZ_BUILD:-$here/build-fuzz}"
targets_all=(dictionary_editor dictionary_pass preferences encodings expander template workspace)

if ! command -v clang++ >/dev/null; then
  echo "clang++ is needed: sudo apt-get install clang" >&2
  exit 2
fi
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTV_FUZZ=ON -DBUILD_TESTING=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j"${TESVORA_FUZZ_JOBS:-4}" --target fuzzers

if [ "${1:-}" = bounded ]; then
  cd "$build"
  exec ctest -L fuzz --output-on-failure -j"${TESVORA_FUZZ_JOBS:-4}"
fi

seconds="${1:-600}"
parallel="${2:-4}"
shift $(( $# > 2 ? 2 : $# ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${targets_all[@]}")

run_one() {
  local t=$1 log="$build/fuzz/logs/$1.log"
  mkdir -p "$build/fuzz/found/$t" "$build/fuzz/artifacts/$t" "$build/fuzz/logs"
  local folders=("$build/fuzz/found/$t" "$here/fuzz/corpus/$t")
  [ -d "$here/fuzz/regressions/$t" ] && folders+=("$here/fuzz/regressions/$t")
  local start=$SECONDS
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/fuzz/artifacts/$t/" "${folders[@]}" >"$log" 2>&1 || true
  echo $((SECONDS - start)) >"$build/fuzz/logs/$t.seconds"
}

running=0
for t in "${targets[@]}"; do
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

printf '%-18s %12s %8s %8s %8s %8s\n' target executions seconds cov ft crashes
for t in "${targets[@]}"; do
  log="$build/fuzz/logs/$t.log"
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  crashes=$(find "$build/fuzz/artifacts/$t" -type f | wc -l)
  printf '%-18s %12s %8s %8s %8s %8s\n' "$t" "${execs:-?}" "$(cat "$build/fuzz/logs/$t.seconds")" \
    "${cov:-?}" "${ft:-?}" "$crashes"
done
