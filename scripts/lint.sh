#!/usr/bin/env bash
# The tree's house rules: clang-format must find nothing to change, and clang-tidy with the
# project's checks must find nothing in the core (model, formats, compiler, session) nor in
# the platform layer.
#   scripts/lint.sh BUILD
set -uo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
status=0

mapfile -t sources < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' 'examples/*.cpp')
if ! clang-format --dry-run --Werror "${sources[@]}"; then
  echo "== clang-format: the files above drift from .clang-format (run: clang-format -i <file>)" >&2
  status=1
fi

# One clang-tidy per file, as many at once as the machine has cores: one after another they
# take over a minute.
mapfile -t core < <(git ls-files 'src/model/*.cpp' 'src/formats/*.cpp' 'src/compiler/*.cpp' 'src/session/*.cpp' 'src/platform/*.cpp')
if ! printf '%s\0' "${core[@]}" |
  xargs -0 -n 1 -P "${LINT_JOBS:-$(nproc)}" clang-tidy -p "$build" --quiet --warnings-as-errors='*' \
    --extra-arg=-Wno-unknown-warning-option 2>/dev/null; then
  echo "== clang-tidy found faults in the core or the platform layer" >&2
  status=1
fi
exit $status
