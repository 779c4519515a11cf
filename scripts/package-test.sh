#!/usr/bin/env bash
# The Debian package checked as it ships: lintian, its desktop entry, AppStream data and
# systemd units, the service's exposure, the manual pages; its batch command compiles the
# sample day to the same bytes as the build tree's. As root it is installed into this
# machine, its timer enabled, the night run as the configured account under the service's
# limits (its loudness figures in the service's cache folder), then purged and nothing named
# kalmero may be left, the timer's stamp included; otherwise it is unpacked into a folder.
# Usage: package-test.sh [kalmero_*.deb] (without an argument, `make package` builds one).
# KALMERO_BUILD names the build tree to compare with (default build/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KALMERO_BUILD:-$root/build}

fail() {
  echo "package test FAILED: $*" >&2
  exit 1
}
note() {
  echo "package test: $*"
}

deb=${1:-}
if [[ -z "$deb" ]]; then
  make -C "$root" --no-print-directory package >/dev/null
  deb=$(ls -t "$root"/"${PACKAGE_BUILD:-build-package}"/kalmero_*.deb 2>/dev/null | head -n1)
fi
[[ -f "$deb" ]] || fail "no package at '${deb}'"
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
reference_batch=$build/src/cli/kalmero-batch
[[ -x $reference_batch ]] || fail "no build tree's batch command at $reference_batch (make build first)"

tmp=$(mktemp -d)
installed=""
cleanup() {
  # A failed run as root does not leave the package installed.
  if [[ -n $installed ]]; then
    dpkg --purge kalmero >/dev/null 2>&1 || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
# The night's account reaches its folders below this one.
chmod 755 "$tmp"

# --- The package file.
lintian --fail-on error,warning "$deb" >"$tmp/lintian.txt" 2>&1 ||
  fail "lintian: $(grep -v 'root privileges' "$tmp/lintian.txt")"
version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
[[ ", $depends," == *", fonts-wine,"* ]] || fail "Depends lacks fonts-wine, the window's font: $depends"
conffiles=$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles)
while IFS= read -r conffile; do
  ! dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./md5sums | grep -q "  ${conffile#/}$" ||
    fail "md5sums lists the conffile $conffile"
done <<<"$conffiles"

# --- Installed into this machine (root) or unpacked.
# Whatever named kalmero was here before, so that only what the package leaves is blamed.
# man-db's cache of formatted pages is filled by reading a page, not by the package.
kalmero_paths() {
  find /etc /usr /lib /var /opt /srv -xdev \
    \( -path "$root" -o -path "$tmp" -o -path /var/cache/man \) -prune -o \
    -name '*kalmero*' -print 2>/dev/null | sort
}
prefix=$tmp/root
if [[ $(id -u) -eq 0 ]] && dpkg -s kalmero >/dev/null 2>&1; then
  note "kalmero is installed on this machine: unpacked only, so its settings stay as they are"
elif [[ $(id -u) -eq 0 ]]; then
  kalmero_paths >"$tmp/before.txt"
  installed=yes
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg -i "$deb" >"$tmp/install.txt" 2>&1; then
    apt-get install -f -y -q --no-install-recommends >>"$tmp/install.txt" 2>&1 ||
      fail "installing $deb: $(tail -n5 "$tmp/install.txt")"
  fi
  prefix=""
fi
if [[ -n $prefix ]]; then
  dpkg-deb -x "$deb" "$prefix" || fail "dpkg-deb cannot unpack $deb"
fi
batch=$prefix/usr/bin/kalmero-batch
[[ -x "$batch" ]] || fail "the package has no usr/bin/kalmero-batch"
for f in usr/share/kalmero/matryca.dat usr/share/doc/kalmero/copyright \
  usr/share/man/man1/kalmero-batch.1.gz usr/share/man/man8/kalmero-nightly.8.gz \
  etc/kalmero/nightly.conf; do
  [[ -s "$prefix/$f" ]] || fail "the package has no $f"
done

app_id=pl.kalmero.Kalmero
desktop-file-validate "$prefix/usr/share/applications/$app_id.desktop" || fail "the desktop entry is invalid"
metainfo=$prefix/usr/share/metainfo/$app_id.metainfo.xml
appstreamcli validate --no-net --pedantic "$metainfo" >"$tmp/appstream.txt" 2>&1 ||
  fail "the AppStream data is invalid: $(cat "$tmp/appstream.txt")"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the AppStream release is not $version"
zcat "$prefix/usr/share/doc/kalmero/changelog.gz" | head -n1 | grep -qF "kalmero ($version)" ||
  fail "the changelog's top entry is not $version"

units=$prefix/lib/systemd/system
service=$units/kalmero-nightly.service
[[ -f $service ]] || fail "the package has no lib/systemd/system/kalmero-nightly.service"
# The exposure systemd reports, 0 to 10: 1.8 at most, a further channel's unit too.
instance=$tmp/kalmero-nightly@kanal2.service
cp "$units/kalmero-nightly@.service" "$instance"
for unit in "$service" "$instance"; do
  systemd-analyze security --offline=true --threshold=18 "$unit" >"$tmp/security.txt" 2>&1 ||
    fail "the exposure of $(basename "$unit") is above 1.8: $(tail -n1 "$tmp/security.txt")"
done
grep -qx 'ExecStart=/usr/libexec/kalmero/kalmero-nightly --settings /etc/kalmero/%i.conf' "$instance" ||
  fail "kalmero-nightly@.service does not run the night of /etc/kalmero/NAME.conf"
if [[ -z $prefix ]]; then
  # Installed: the program the service starts and the manual page it names are there.
  man_check=()
  command -v man >/dev/null || man_check=(--man=no)
  systemd-analyze verify "${man_check[@]}" "$service" "$units/kalmero-nightly.timer" \
    >"$tmp/verify.txt" 2>&1 || fail "systemd-analyze verify: $(cat "$tmp/verify.txt")"
  # A further channel's units, as an instance of the templates.
  cp "$units/kalmero-nightly@.timer" "$tmp/kalmero-nightly@kanal2.timer"
  systemd-analyze verify "${man_check[@]}" "$instance" "$tmp/kalmero-nightly@kanal2.timer" \
    >"$tmp/verify.txt" 2>&1 || fail "systemd-analyze verify of an instance: $(cat "$tmp/verify.txt")"
else
  # Unpacked: the service's program is checked where it was unpacked.
  sed "s|^ExecStart=|ExecStart=$prefix|" "$service" >"$tmp/kalmero-nightly.service"
  cp "$units/kalmero-nightly.timer" "$tmp/"
  systemd-analyze verify --man=no "$tmp/kalmero-nightly.service" "$tmp/kalmero-nightly.timer" \
    >"$tmp/verify.txt" 2>&1 || fail "systemd-analyze verify: $(cat "$tmp/verify.txt")"
fi

# --- The sample day, the installed command against the build tree's.
# A fresh operator: no settings anywhere, so the installed layout's rule is the one tested.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config"
mkdir -p "$HOME"
"$batch" --help >"$tmp/help.txt" 2>&1 || fail "kalmero-batch --help exited $?: $(cat "$tmp/help.txt")"
grep -q -- "--mix" "$tmp/help.txt" || fail "kalmero-batch --help does not list --mix"

# A Monday far ahead: never a day on air.
day=2099-12-28
compile() {
  local program=$1 out=$2
  shift 2
  local status=0
  (cd "$root/examples" && "$program" --mix dzien.mix --lst reklamy.lst --date "$day" --mode 0 \
    --out "$out.mix" --report "$out.csv" "$@") >"$out.txt" 2>&1 || status=$?
  ((status == 0)) || fail "$program compiling the sample day exited $status: $(tail -n5 "$out.txt")"
}
compile "$reference_batch" "$tmp/reference" --config "$tmp/absent.ini" \
  --matrix "$root/data/matryca.dat.default"
compile "$batch" "$tmp/installed" --picture "$tmp/day.png"
cmp "$tmp/reference.mix" "$tmp/installed.mix" || fail "the installed batch command's day differs"
cmp "$tmp/reference.csv" "$tmp/installed.csv" || fail "the installed batch command's report differs"
# The day's picture comes from the drawing module the package puts in its library folder.
[[ -s "$tmp/day.png" ]] || fail "the installed batch command drew no picture of the day"
cmp -s "$prefix/usr/share/kalmero/matryca.dat" "$XDG_CONFIG_HOME/kalmero/matryca.dat" ||
  fail "the default break matrix was not copied to \$XDG_CONFIG_HOME/kalmero/"

if [[ -z $installed ]]; then
  note "passed, unpacked: $(basename "$deb")"
  exit 0
fi

# --- The night, as root: its timer enabled, the program run as systemd would start it.
# systemctl enables offline too (no systemd as PID 1, as in a container): it only links.
wants=/etc/systemd/system/timers.target.wants/kalmero-nightly.timer
if command -v systemctl >/dev/null; then
  systemctl enable kalmero-nightly.timer >"$tmp/enable.txt" 2>&1 ||
    fail "systemctl enable kalmero-nightly.timer: $(cat "$tmp/enable.txt")"
  [[ -L $wants ]] || fail "enabling the timer made no $wants"
else
  note "no systemctl: the timer is not enabled before the purge"
fi
if [[ $(ps -p 1 -o comm= 2>/dev/null) != systemd ]]; then
  note "systemd is not running: the maintainer scripts' daemon-reload and stop are not exercised"
fi

account=nobody
night=$tmp/night
mkdir -p "$night/in" "$night/out" "$night/config"
cp -r "$root/examples/dzien.mix" "$root/examples/reklamy.lst" "$root/examples/spoty" "$night/in/"
chmod -R a+rX "$night/in"
chown "$account" "$night/out" "$night/config"
cat >/etc/kalmero/nightly.conf <<EOF
UZYTKOWNIK="$account"
FOLDER_PLAYLIST="$night/in"
FOLDER_REKLAM="$night/in"
FOLDER_WYNIKOWY="$night/out"
WZOR_PLAYLISTY="dzien.mix"
WZOR_REKLAM="reklamy.lst"
WZOR_WYNIKU="%Y%m%d_%a.mix"
DZIEN="$day"
TRYB=0
EOF
# The service's capability bounding set and no_new_privs, its umask and a bare environment.
caps=$(sed -n 's/^CapabilityBoundingSet=//p' "$service" | tr '[:upper:]' '[:lower:]' | sed 's/cap_/+/g; s/ /,/g')
grep -qx 'NoNewPrivileges=yes' "$service" || fail "the service does not set NoNewPrivileges=yes"
# night NAME [ENV=VALUE...] -- [OPTION...]: the installed program under those limits.
night() {
  local name=$1 environment=() status=0
  shift
  while [[ $1 != -- ]]; do
    environment+=("$1")
    shift
  done
  shift
  (umask 022 && env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin XDG_CONFIG_HOME="$night/config" \
    "${environment[@]}" setpriv --bounding-set "-all,$caps" --no-new-privs \
    /usr/libexec/kalmero/kalmero-nightly "$@") >"$tmp/$name.txt" 2>&1 || status=$?
  return "$status"
}
status=0
night night -- || status=$?
((status == 0)) || fail "the night's run exited $status: $(tail -n5 "$tmp/night.txt")"
# The account's home is no place the sandbox lets it write: the figures are the service's.
cache=/var/cache/kalmero/$account/kalmero/spoty.sqlite
[[ -s $cache ]] || fail "the night kept no loudness figures in $cache"
[[ $(stat -c %U "$(dirname "$(dirname "$cache")")") == "$account" ]] ||
  fail "the night's cache folder does not belong to $account"
result=$night/out/20991228_pn.mix
[[ -f $result ]] || fail "the night wrote no $result: $(tail -n5 "$tmp/night.txt")"
[[ $(stat -c %U "$result") == "$account" ]] || fail "the night's result is not written by $account"
cmp "$tmp/reference.mix" "$result" || fail "the night's day differs from the build tree's"

# A second channel, as kalmero-nightly@kanal2 runs it: its own settings, cache and marks. A
# spot missing makes its day exit 3 and marked, named in the errors with its file.
mkdir -p "$night/in2" "$night/out2"
cp -r "$night/in/." "$night/in2/"
rm "$night/in2/spoty/kino.mp3"
chmod -R a+rX "$night/in2"
chown "$account" "$night/out2"
sed "s|$night/in\"|$night/in2\"|; s|$night/out\"|$night/out2\"|" /etc/kalmero/nightly.conf \
  >/etc/kalmero/kanal2.conf
status=0
night kanal2 CACHE_DIRECTORY=/var/cache/kalmero/kanal2 -- --settings /etc/kalmero/kanal2.conf ||
  status=$?
((status == 3)) || fail "the second channel's night with a spot missing exited $status, not 3"
[[ -f $night/out2/.20991228_pn.mix.niepewny ]] || fail "the second channel's day was not marked"
grep -q 'pliki: .*kino\.mp3' "$tmp/kanal2.txt" ||
  fail "the night's errors do not name the missing spot's file: $(tail -n5 "$tmp/kanal2.txt")"
[[ -s /var/cache/kalmero/kanal2/$account/kalmero/spoty.sqlite ]] ||
  fail "the second channel kept no loudness figures of its own"
night acknowledge -- --settings /etc/kalmero/kanal2.conf --acknowledge 2099-12-28 ||
  fail "acknowledging the marked day failed: $(cat "$tmp/acknowledge.txt")"
[[ ! -e $night/out2/.20991228_pn.mix.niepewny ]] || fail "--acknowledge left the mark"
rm /etc/kalmero/kanal2.conf

# --- Purged: nothing of it left. The stamp systemd keeps for a persistent timer that ran
# is written here when no systemd runs the timer.
stamp=/var/lib/systemd/timers/stamp-kalmero-nightly.timer
stamp_folder_made=""
if [[ ! -e $stamp ]]; then
  [[ -d $(dirname "$stamp") ]] || stamp_folder_made=yes
  mkdir -p "$(dirname "$stamp")"
  touch "$stamp"
fi
dpkg --purge kalmero >"$tmp/purge.txt" 2>&1 || fail "purging kalmero: $(tail -n5 "$tmp/purge.txt")"
installed=""
[[ -z $stamp_folder_made ]] || rmdir "$(dirname "$stamp")" 2>/dev/null || true
kalmero_paths >"$tmp/after.txt"
left=$(comm -13 "$tmp/before.txt" "$tmp/after.txt")
[[ -z $left ]] || fail "the purge left: $left"

note "passed, installed, run and purged: $(basename "$deb")"
