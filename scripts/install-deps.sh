#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the window need, only those missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsndfile1-dev libmpg123-dev
  libcli11-dev
  qt6-base-dev qt6-translations-l10n fonts-wine
  scdoc librsvg2-bin lintian appstream desktop-file-utils
  clang libclang-rt-14-dev clang-format clang-tidy valgrind
  xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg -s "$p" >/dev/null 2>&1; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
