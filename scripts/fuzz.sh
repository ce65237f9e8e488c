#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each for a bounded
# time on a copy of its seed corpus and regression inputs, so the committed corpus is never
# changed. A crash, a sanitizer report, a hang, a memory blow-up or an uncaught exception
# fails the run; the input that caused it is printed in base64.
#   VARNEL_FUZZ_SECONDS   seconds per target (default 15)
#   VARNEL_FUZZ_JOBS      targets run at the same time (default: half the cores)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${VARNEL_FUZZ_SECONDS:-15}
cores=$(nproc)
jobs=${VARNEL_FUZZ_JOBS:-$(( cores > 1 ? cores / 2 : 1 ))}

cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release -DVARNEL_FUZZ=ON \
  -DVARNEL_TESTS=OFF -DVARNEL_BENCH=OFF
cmake --build build-fuzz -j"$cores"
build-fuzz/fuzz/process_end_check >/dev/null

# The readers write and reread files on every input; in memory that costs little.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
work=$(mktemp -d "${TMPDIR:-/tmp}/varnel-fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT

run_target() {
  local name=$1 dir=$work/$1
  mkdir -p "$dir/corpus"
  cp fuzz/corpus/"$name"/* "$dir/corpus/"
  if [ -d fuzz/regressions/"$name" ]; then cp fuzz/regressions/"$name"/* "$dir/corpus/"; fi
  # -timeout: one input may take 30 s (a busy machine can stall a quick one for seconds; a
  # hang still ends the run); -rss_limit_mb / -malloc_limit_mb: a run or a single
  # allocation past these is a blow-up; -close_fd_mask=1: progress lines would only slow it.
  if build-fuzz/fuzz/"$name"_fuzz -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
       -malloc_limit_mb=1024 -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$dir/" \
       "$dir/corpus" >"$dir/log" 2>&1; then
    echo "fuzz $name: $(grep -m1 'stat::number_of_executed_units' "$dir/log" | awk '{print $2}') inputs, no finding"
  else
    echo "fuzz $name: FINDING"
    tail -n 60 "$dir/log"
    for artifact in "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-* "$dir"/slow-unit-*; do
      [ -f "$artifact" ] || continue
      echo "input $(basename "$artifact") (base64):"
      base64 "$artifact" | head -n 100
    done
    return 1
  fi
}
export -f run_target
export seconds work

if xargs -a build-fuzz/fuzz_targets.txt -P "$jobs" -I{} bash -c 'run_target "$@"' _ {}; then
  echo "== fuzzing found nothing"
else
  echo "== fuzzing found a fault (see above)"
  exit 1
fi
