#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those missing.
#   install-deps.sh build   building the programs and the Debian package (make package)
#   install-deps.sh all     that, the tests, the linters and the window (make run, make test)
set -euo pipefail
what=${1:-all}

# Compilers, CMake, Qt, the audio, encoding and measuring libraries, the manual pages (scdoc), the
# icons (rsvg-convert) and what CPack's Debian generator calls (dpkg-shlibdeps, file).
build_packages=(
  build-essential cmake pkg-config
  libsndfile1-dev libmpg123-dev libebur128-dev libsqlite3-dev
  libmp3lame-dev libtwolame-dev
  libcli11-dev
  qt6-base-dev
  scdoc librsvg2-bin
  dpkg-dev file
)
# The tests and benchmarks, the window's run-time texts and font, the sanitizer runtime and
# the linters, a virtual display, the package's checks (lintian, AppStream, desktop entry,
# systemd-analyze), spot audio made and decoded by the tests and benchmarks, and the
# decoder and meter the loudness benchmark holds ours against (it skips them when missing).
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-translations-l10n fonts-wine
  clang libclang-rt-14-dev clang-format clang-tidy valgrind
  xvfb xauth
  lintian appstream desktop-file-utils systemd man-db
  lame sox libsox-fmt-mp3
  mpg123 ffmpeg
)

case "$what" in
  build) packages=("${build_packages[@]}") ;;
  all) packages=("${build_packages[@]}" "${test_packages[@]}") ;;
  *)
    echo "usage: $0 build|all" >&2
    exit 2
    ;;
esac

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
