#!/usr/bin/env bash
# Runs every fuzz target of the native build for a bounded time each.
#   tools/fuzz-run.sh [SECONDS]        (default 60 per target)
# Targets and their seed corpora come from build/native/fuzz-targets.txt ("name|corpus" lines,
# written by the build). Each run works on a copy of its corpus in a temporary folder, so the
# tree is never modified. Exits non-zero when any target crashes or a sanitizer reports.
set -uo pipefail
secs=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KELT_FUZZ_BUILD:-$root/build/native}
manifest=$build/fuzz-targets.txt

if [ ! -f "$manifest" ]; then
  echo "fuzz-run: $manifest not found (build the native preset first)" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kelt-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

ran=0
failed=0
while IFS='|' read -r name corpus; do
  [ -n "$name" ] || continue
  exe=$build/bin/$name
  if [ ! -x "$exe" ]; then
    echo "fuzz-run: $name was registered but $exe is not built" >&2
    failed=1
    continue
  fi
  dir=$work/$name
  mkdir -p "$dir/corpus" "$dir/artifacts"
  if [ -n "$corpus" ] && [ -d "$corpus" ]; then cp -R "$corpus/." "$dir/corpus/"; fi
  echo "fuzz-run: $name for ${secs}s"
  "$exe" -max_total_time="$secs" -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/" "$dir/corpus" >"$dir/log" 2>&1
  rc=$?
  ran=$((ran + 1))
  if [ $rc -ne 0 ] || grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:' "$dir/log"; then
    echo "fuzz-run: $name FAILED (exit $rc)" >&2
    tail -n 60 "$dir/log" >&2
    for a in "$dir"/artifacts/*; do
      [ -f "$a" ] || continue
      echo "fuzz-run: reproducer $(basename "$a"):" >&2
      od -A d -t x1 "$a" | head -n 20 >&2
    done
    failed=1
  else
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$dir/log" | sed "s/^/fuzz-run: $name /"
  fi
done <"$manifest"

echo "fuzz-run: $ran target(s) run, $([ $failed -eq 0 ] && echo "no failures" || echo "FAILURES")"
exit $failed
