#!/usr/bin/env bash
# The whole test suite: the normal build's tests, the same tests built with AddressSanitizer
# and UndefinedBehaviorSanitizer, and a short fixed run of every fuzz target. Ends with one
# line "N passed, N failed" over all three.
#   scripts/test.sh BUILD ASAN_BUILD FUZZ_BUILD FUZZ_RUNS JOBS
set -uo pipefail
build=${1:-build}
asan=${2:-build-asan}
fuzz=${3:-build-fuzz}
runs=${4:-2000}
jobs=${5:-2}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

passed=0
failed=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Runs ctest in a build folder with the given arguments and adds its counts to the totals.
run_ctest() {
  local folder=$1
  shift
  (cd "$folder" && ctest --output-on-failure -j"$jobs" "$@") 2>&1 | tee "$log"
  local summary
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [[ -z $summary ]]; then
    echo "== no test summary from $folder" >&2
    failed=$((failed + 1))
    return
  fi
  local bad total
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
  total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$summary")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

# A build step that fails counts as one failed test, so the closing line tells the truth.
build_step() {
  if ! "$@"; then
    echo "== failed: $*" >&2
    failed=$((failed + 1))
    return 1
  fi
}

echo "== tests ($build)"
run_ctest "$build"

echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer ($asan)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
if build_step cmake -S . -B "$asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALMERO_WERROR=ON \
     -DKALMERO_SANITIZE=ON -DKALMERO_BENCH=OFF >/dev/null &&
   build_step cmake --build "$asan" -j"$jobs" >/dev/null; then
  run_ctest "$asan"
fi

echo "== fuzz targets, $runs inputs each ($fuzz)"
if build_step cmake -S . -B "$fuzz" -DCMAKE_CXX_COMPILER=clang++ \
     -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALMERO_WERROR=ON -DKALMERO_FUZZ=ON \
     -DKALMERO_BENCH=OFF -DKALMERO_FUZZ_RUNS="$runs" >/dev/null &&
   build_step cmake --build "$fuzz" -j"$jobs" --target fuzz_targets >/dev/null; then
  run_ctest "$fuzz" -L fuzz
fi

echo "== formatting and clang-tidy"
if bash scripts/lint.sh "$build"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "== the Debian package, unpacked and run"
if bash scripts/package-test.sh; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "$passed passed, $failed failed"
((failed == 0))
