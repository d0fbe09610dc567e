#!/usr/bin/env bash
# Runs every test layer on what `make build` produced:
#   native (ASan/UBSan), fuzz (bounded run), windows + gui of the 64-bit and of the 32-bit build
#   (Wine under Xvfb; the 32-bit programs under wine32), packaging (installers and zips built, the
#   64-bit one installed under Wine), benchmarks (figures only).
set -uo pipefail
cd "$(dirname "$0")/.."
log=$(mktemp)
failed_layers=()

layer() {
  local name=$1; shift
  echo "=== $name"
  if "$@" 2>&1 | tee -a "$log"; then :; else failed_layers+=("$name"); fi
}

layer native  ctest --test-dir build/native -j 2 --output-on-failure --timeout 900
layer fuzz    bash tools/fuzz-run.sh "${FUZZ_SECONDS:-60}"
layer windows ctest --test-dir build/win64 -j 2 --output-on-failure --timeout 900
layer windows32 ctest --test-dir build/win32 -j 2 --output-on-failure --timeout 900
layer packaging bash tools/test-dist.sh
if [ -z "${KELT_SKIP_BENCH:-}" ]; then
  layer bench env KELT_BENCH_QUICK=1 bash tools/bench-run.sh
fi

# Sum the ctest results of both test runs and the packaging checks into one closing line.
passed=0; failed=0
while read -r p f; do passed=$((passed + p)); failed=$((failed + f)); done < <(
  grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" |
  sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2 \1/' | awk '{print $1-$2, $2}'
  grep -E '^Packaging: [0-9]+ passed, [0-9]+ failed$' "$log" | sed -E 's/^Packaging: ([0-9]+) passed, ([0-9]+) failed$/\1 \2/')
rm -f "$log"
if [ ${#failed_layers[@]} -gt 0 ]; then
  echo "Failed layers: ${failed_layers[*]}"
  failed=$((failed > 0 ? failed : 1))
fi
echo "Tests: $passed passed, $failed failed"
[ ${#failed_layers[@]} -eq 0 ]
