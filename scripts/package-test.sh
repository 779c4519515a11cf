#!/usr/bin/env bash
# The Debian package works unpacked anywhere: its batch command, run from the unpacked tree
# with a fresh home, compiles the sample day. Usage: package-test.sh [kalmero_*.deb]
# (without an argument, `make package` builds one).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

fail() {
  echo "package test FAILED: $*" >&2
  exit 1
}

deb=${1:-}
if [[ -z "$deb" ]]; then
  make -C "$root" --no-print-directory package >/dev/null
  deb=$(ls -t "$root"/"${PACKAGE_BUILD:-build-package}"/kalmero_*.deb 2>/dev/null | head -n1)
fi
[[ -f "$deb" ]] || fail "no package at '${deb}'"
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp/root" || fail "dpkg-deb cannot unpack $deb"
batch="$tmp/root/usr/bin/kalmero-batch"
[[ -x "$batch" ]] || fail "the package has no usr/bin/kalmero-batch"
for f in usr/share/kalmero/matryca.dat usr/share/doc/kalmero/copyright \
  usr/share/man/man1/kalmero-batch.1.gz etc/kalmero/nightly.conf; do
  [[ -s "$tmp/root/$f" ]] || fail "the package has no $f"
done

# A fresh operator: no settings anywhere, so the installed layout's rule is the one tested.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$HOME"

"$batch" --help >"$tmp/help.txt" 2>&1 || fail "kalmero-batch --help exited $?: $(cat "$tmp/help.txt")"
grep -q -- "--mix" "$tmp/help.txt" || fail "kalmero-batch --help does not list --mix"

# Spot paths in the sample advert list are relative to examples/.
status=0
(cd "$root/examples" && "$batch" --mix dzien.mix --lst reklamy.lst --weekday pn --mode 0 \
  --out "$tmp/out.mix" --picture "$tmp/day.png") >"$tmp/compile.txt" 2>&1 || status=$?
((status == 0)) || fail "compiling the sample day exited $status: $(tail -n5 "$tmp/compile.txt")"
[[ -s "$tmp/out.mix" ]] || fail "compiling the sample day wrote no result"
# The day's picture comes from the drawing module the package puts in its library folder.
[[ -s "$tmp/day.png" ]] || fail "the installed batch command drew no picture of the day"
cmp -s "$tmp/root/usr/share/kalmero/matryca.dat" "$XDG_CONFIG_HOME/kalmero/matryca.dat" ||
  fail "the default break matrix was not copied to \$XDG_CONFIG_HOME/kalmero/"

echo "package test passed: $(basename "$deb")"
