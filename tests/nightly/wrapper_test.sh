#!/usr/bin/env bash
# The night's wrapper against a stand-in batch command that records how it was called: its
# refusals, the day it picks, and what it passes on. Usage: wrapper_test.sh WRAPPER.in
set -uo pipefail
wrapper_in=$1
# Not in the build tree: as root the stand-in runs as another account, which may not reach
# a checkout in root's home.
work=$(mktemp -d "${TMPDIR:-/tmp}/kalmero-nightly.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The account switch runs the stand-in as another account: it must reach this folder.
chmod 755 "$work"

t=$work/tree
mkdir -p "$t/etc" "$t/libexec" "$t/bin" "$t/shim" "$t/playlisty" "$t/reklamy" "$t/emisja" "$t/rec"
sed -e "s|@KALMERO_NIGHTLY_CONF@|$t/etc/nightly.conf|" -e "s|@KALMERO_BIN_FROM_NIGHTLY@|../bin|" \
  "$wrapper_in" >"$t/libexec/kalmero-nightly"
cat >"$t/bin/kalmero-batch" <<EOF
#!/bin/sh
{ echo "user=\$(id -un)"; echo "cwd=\$(pwd)"; printf '%s\n' "\$@"; } >"$t/rec/calls"
exit "\$(cat "$t/status")"
EOF
# The clock the wrapper reads, fixed per row; every other use of date is the real one.
cat >"$t/shim/date" <<EOF
#!/bin/sh
[ "\$1" = "+%F %H" ] && { cat "$t/now"; exit 0; }
exec /bin/date "\$@"
EOF
chmod 777 "$t/rec"
chmod 755 "$t/libexec/kalmero-nightly" "$t/bin/kalmero-batch" "$t/shim/date"

account=nobody
[[ $(id -u) -eq 0 ]] || account=$(id -un)

failures=0
# row NAME CLOCK BATCH_STATUS EXPECTED_EXIT 'CONF LINES' 'SETUP' 'STDERR TEXT' 'CALL LINES'
# CALL LINES: every line must be among the stand-in's record; "-" means it must not run.
row() {
  local name=$1 clock=$2 batch_status=$3 want_exit=$4 conf_lines=$5 setup=$6 want_err=$7 want_call=$8
  rm -f "$t/rec/calls" "$t/emisja/"* "$t/rec/scratch" -r
  echo "$clock" >"$t/now"
  echo "$batch_status" >"$t/status"
  chmod 644 "$t/now" "$t/status"
  cat >"$t/etc/nightly.conf" <<EOF
UZYTKOWNIK="$account"
FOLDER_PLAYLIST="$t/playlisty"
FOLDER_REKLAM="$t/reklamy"
FOLDER_WYNIKOWY="$t/emisja"
WZOR_PLAYLISTY="%Y%m%d.mix"
WZOR_REKLAM="%Y%m%d.lst"
WZOR_WYNIKU="%Y%m%d_%a.mix"
$conf_lines
EOF
  chmod 644 "$t/etc/nightly.conf"
  chmod 755 "$t/etc"
  (cd "$t" && eval "$setup")
  local status=0
  # From a folder with files in it, where a pattern passed on would expand.
  (cd "$t" && PATH="$t/shim:$PATH" "$t/libexec/kalmero-nightly" ${scratch_args[@]+"${scratch_args[@]}"}) \
    >"$work/out" 2>"$work/err" || status=$?
  local problem=""
  ((status == want_exit)) || problem="exit $status, expected $want_exit"
  [[ -z $want_err ]] || grep -qF -- "$want_err" "$work/err" || problem+=" stderr lacks '$want_err'"
  if [[ $want_call == - ]]; then
    [[ ! -e $t/rec/calls ]] || problem+=" the batch command ran"
  elif [[ -n $want_call ]]; then
    while IFS= read -r line; do
      grep -qFx -- "$line" "$t/rec/calls" 2>/dev/null || problem+=" call lacks '$line'"
    done <<<"$want_call"
  fi
  if [[ -n $problem ]]; then
    echo "FAIL $name:$problem"
    sed 's/^/  stderr: /' "$work/err"
    [[ ! -e $t/rec/calls ]] || sed 's/^/  call: /' "$t/rec/calls"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

scratch_args=()
row "evening: tomorrow, as the account, from the list's folder" "2026-12-08 23" 0 0 '' '' '' \
  "user=$account
cwd=$t/reklamy
--date
2026-12-09
$t/emisja/%Y%m%d_%a.mix"
row "group-writable settings are refused" "2026-12-08 23" 0 1 '' 'chmod 664 etc/nightly.conf' \
  'może zmienić grupa lub inni' -
row "a writable settings folder is refused" "2026-12-08 23" 0 1 '' 'chmod 777 etc' \
  'może zmienić grupa lub inni' -
row "UZYTKOWNIK=root is refused" "2026-12-08 23" 0 1 'UZYTKOWNIK=root' '' 'to konto root' -
row "CR LF line ends are read" "2026-12-08 23" 0 0 'TRYB=1' \
  "sed -i 's/\$/\\r/' etc/nightly.conf" '' "--mix
$t/playlisty/%Y%m%d.mix
--mode
1"
row "morning: today's result present is left as it is" "2026-12-08 09" 0 0 '' \
  'touch emisja/20261208_wt.mix' 'zostawiam go' -
row "morning: today without a result is compiled" "2026-12-08 09" 0 0 '' '' '' "--date
2026-12-08"
row "DZIEN=today with its result present is left" "2026-12-08 23" 0 0 'DZIEN=today' \
  'ln -s absent emisja/20261208_wt.mix' 'zostawiam go' -
row "a begun day is overwritten when the settings allow it" "2026-12-08 09" 0 0 \
  'NADPISZ_TRWAJACY_DZIEN="tak"' 'touch emisja/20261208_wt.mix' '' "--date
2026-12-08"
row "path maps and options pass whole, never as patterns" "2026-12-08 23" 0 0 \
  "MAPA_SCIEZEK='
  C:\\Radio=/srv/radio/spoty z sieci
\\\\SERWER\\reklamy=/mnt/reklamy
'
DODATKOWE_OPCJE='--strict *'" '' '' "--path-map
C:\\Radio=/srv/radio/spoty z sieci
--path-map
\\\\SERWER\\reklamy=/mnt/reklamy
--strict
*"
row "a day written with spots unaccounted for fails the service" "2026-12-08 23" 3 3 '' '' \
  'kod 3' ''
scratch_args=(--scratch "$t/rec/scratch")
row "a scratch run compiles beside the day on air" "2026-12-08 09" 0 0 '' \
  'touch emisja/20261208_wt.mix' '' "--out
$t/rec/scratch/%Y%m%d_%a.mix"
scratch_args=()
if [[ $(id -u) -eq 0 ]]; then
  row "settings owned by another account are refused" "2026-12-08 23" 0 1 '' \
    'chown nobody etc/nightly.conf' 'nie należy do root' -
fi


# The night's rule for a day's result, by the day against the clock (2026-12-08, 09:00):
# a past or begun day with a result keeps it; without one it is compiled; a coming day is
# always compiled.
rm -f "$t/etc/nightly.conf"  # made anew, owned by whoever runs the test
for when in "past 2026-12-07 20261207_pn" "begun 2026-12-08 20261208_wt" \
  "coming 2026-12-09 20261209_sr"; do
  read -r kind day name <<<"$when"
  if [[ $kind == coming ]]; then kept_exit_call="--date
$day" kept_err=''; else kept_exit_call=- kept_err='zostawiam go'; fi
  row "$kind day, its result present" "2026-12-08 09" 0 0 "DZIEN=$day" \
    "touch emisja/$name.mix" "$kept_err" "$kept_exit_call"
  row "$kind day, no result yet" "2026-12-08 09" 0 0 "DZIEN=$day" '' '' "--date
$day"
done

((failures == 0))
