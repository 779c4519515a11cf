#!/usr/bin/env bash
# The tree's house rules: clang-format must find nothing to change, and clang-tidy with the
# project's checks must find nothing in the core (model, formats, compiler, session).
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

mapfile -t core < <(git ls-files 'src/model/*.cpp' 'src/formats/*.cpp' 'src/compiler/*.cpp' 'src/session/*.cpp')
if ! clang-tidy -p "$build" --quiet --warnings-as-errors='*' "${core[@]}" 2>/dev/null; then
  echo "== clang-tidy found faults in the core" >&2
  status=1
fi
exit $status
