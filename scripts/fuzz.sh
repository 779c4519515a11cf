#!/usr/bin/env bash
# Runs every fuzz target for a while on the seed corpus and what earlier runs found.
#   scripts/fuzz.sh FUZZ_BUILD SECONDS_PER_TARGET JOBS
# Inputs found are kept in FUZZ_BUILD/fuzz-corpus/<target>, crashes in FUZZ_BUILD/fuzz-crashes.
set -euo pipefail
fuzz=${1:-build-fuzz}
seconds=${2:-60}
jobs=${3:-2}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp}

cmake -S . -B "$fuzz" -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALMERO_WERROR=ON -DKALMERO_FUZZ=ON -DKALMERO_BENCH=OFF >/dev/null
cmake --build "$fuzz" -j"$jobs" --target fuzz_targets >/dev/null

crashes="$fuzz/fuzz-crashes"
mkdir -p "$crashes"
status=0
for target in mix lst config matrix road; do
  corpus="$fuzz/fuzz-corpus/$target"
  mkdir -p "$corpus"
  echo "== fuzz_$target for ${seconds}s"
  # A failing input stops the target; the others still run.
  "$fuzz/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -dict=tests/fuzz/kalmero.dict \
    -artifact_prefix="$crashes/$target-" "$corpus" "tests/fuzz/corpus/$target" 2>&1 |
    grep -E '^(stat::|Done|==[0-9]+==|SUMMARY|fuzz check failed|Test unit)' || true
  if ls "$crashes/$target-"* >/dev/null 2>&1; then
    echo "== fuzz_$target found inputs that fail: $(ls "$crashes/$target-"*)"
    status=1
  fi
done
exit $status
