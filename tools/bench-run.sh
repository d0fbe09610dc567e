#!/usr/bin/env bash
# Runs the native benchmarks (every *_bench program of build/native/bin) with a short minimum
# time, then the Windows benchmark programs (*_bench.exe of build/win64/bin) under Wine, and
# prints their figures, then the benchmark scripts (tests/bench/*/run-bench.sh). Figures only:
# nothing here passes or fails on timing.
#   tools/bench-run.sh            (KELT_BENCH_QUICK=1 shortens the runs further)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KELT_BENCH_BUILD:-$root/build/native}
min_time=${KELT_BENCH_MIN_TIME:-0.5}
[ -n "${KELT_BENCH_QUICK:-}" ] && min_time=0.05

win_build=${KELT_BENCH_WIN_BUILD:-$root/build/win64}

shopt -s nullglob
benches=("$build"/bin/*_bench)
win_benches=("$win_build"/bin/*_bench.exe)
if [ ${#benches[@]} -eq 0 ] && [ ${#win_benches[@]} -eq 0 ]; then
  echo "bench-run: no benchmark programs in $build/bin or $win_build/bin (build first)"
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
for exe in "${win_benches[@]}"; do
  echo "=== $(basename "$exe") (Wine)"
  if ! "$root/tools/wine-run.sh" "$exe"; then
    echo "bench-run: $(basename "$exe") did not finish" >&2
    status=1
  fi
done
# Benchmarks that need more than their program (a server, a reference tool) bring a script.
for script in "$root"/tests/bench/*/run-bench.sh; do
  echo "=== $(basename "$(dirname "$script")")/run-bench.sh"
  if ! bash "$script" "$win_build"; then
    echo "bench-run: $script did not finish" >&2
    status=1
  fi
done
exit $status
