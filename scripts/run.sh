#!/usr/bin/env bash
# Starts the window in the sample day's folder, or the batch command's help without Qt.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ -x "$build/src/ui/kalmero" ]]; then
  cd "$root/examples"
  exec "$build/src/ui/kalmero"
elif [[ -x "$build/src/cli/kalmero-batch" ]]; then
  exec "$build/src/cli/kalmero-batch" --help
else
  echo "Nothing to run yet: the build made neither the window nor the batch command." >&2
  exit 1
fi
