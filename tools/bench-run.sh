#!/usr/bin/env bash
# Runs the native benchmarks (every *_bench program of build/native/bin) with a short minimum
# time and prints their figures. Figures only: nothing here passes or fails on timing.
#   tools/bench-run.sh            (KELT_BENCH_QUICK=1 shortens the runs further)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KELT_BENCH_BUILD:-$root/build/native}
min_time=${KELT_BENCH_MIN_TIME:-0.5}
[ -n "${KELT_BENCH_QUICK:-}" ] && min_time=0.05

shopt -s nullglob
benches=("$build"/bin/*_bench)
if [ ${#benches[@]} -eq 0 ]; then
  echo "bench-run: no benchmark programs in $build/bin (build the native preset first)"
  exit 0
fi
status=0
for exe in "${benches[@]}"; do
  echo "=== $(basename "$exe")"
  if ! "$exe" --benchmark_min_time="$min_time"; then
    echo "bench-run: $(basename "$exe") did not finish" >&2
    status=1
  fi
done
exit $status
