#!/usr/bin/env bash
# The night's wrapper against a stand-in batch command that records how it was called: its
# reading of the settings file, its refusals, the day it picks, what it passes on, and the
# mark of a day written with spots unaccounted for. Usage: wrapper_test.sh WRAPPER.in
set -uo pipefail
wrapper_in=$1
# Not in the build tree: as root the stand-in runs as another account, which may not reach
# a checkout in root's home.
work=$(mktemp -d "${TMPDIR:-/tmp}/kalmero-nightly.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The account switch runs the stand-in as another account: it must reach this folder.
chmod 755 "$work"

t=$work/tree
mkdir -p "$t/etc" "$t/libexec" "$t/bin" "$t/shim" "$t/playlisty" "$t/reklamy" "$t/rec"
sed -e "s|@KALMERO_NIGHTLY_CONF@|$t/etc/nightly.conf|" -e "s|@KALMERO_BIN_FROM_NIGHTLY@|../bin|" \
  "$wrapper_in" >"$t/libexec/kalmero-nightly"
# It writes "compiled STATUS" to the day's result (its date marks filled in) unless the
# status is 1 or 2, or --strict refuses a day that would give 3.
cat >"$t/bin/kalmero-batch" <<END_OF_BATCH
#!/bin/sh
{ echo "user=\$(id -un)"; echo "cwd=\$(pwd)"; echo "cache=\${XDG_CACHE_HOME:-}"; printf '%s\n' "\$@"; } >"$t/rec/calls"
status=\$(cat "$t/status")
while [ \$# -gt 0 ]; do
  case "\$1" in
    --date) day=\$2 ;;
    --out) out=\$2 ;;
    --strict) [ "\$status" -ne 3 ] || exit 1 ;;
  esac
  shift
done
[ "\$status" -ne 1 ] && [ "\$status" -ne 2 ] || exit "\$status"
set -- pn wt sr cz pi so nd
shift \$((\$(/bin/date -d "\$day" +%u) - 1))
out=\$(echo "\$out" | sed "s/%Y%m%d/\$(echo "\$day" | tr -d -)/; s/%a/\$1/")
# Replaced as the batch command replaces a result: a new file renamed over the old one.
echo "compiled \$status" >"\$out.new" && mv -f "\$out.new" "\$out"
exit "\$status"
END_OF_BATCH
# The clock the wrapper reads, fixed per row; every other use of date is the real one.
cat >"$t/shim/date" <<END_OF_DATE
#!/bin/sh
[ "\$1" = "+%F %H" ] && { cat "$t/now"; exit 0; }
exec /bin/date "\$@"
END_OF_DATE
chmod 777 "$t/rec"
chmod 755 "$t/libexec/kalmero-nightly" "$t/bin/kalmero-batch" "$t/shim/date"

account=nobody
[[ $(id -u) -eq 0 ]] || account=$(id -un)
# As the service's stream to the journal: the wrapper marks its error lines "<3>".
: >"$work/err"
journal_stream=$(stat -c %d:%i "$work/err")

failures=0
# row NAME CLOCK BATCH_STATUS EXPECTED_EXIT 'CONF LINES' 'SETUP' 'STDERR TEXT' 'CALL LINES'
#     ['CHECK']
# The settings file's own lines are 1 to 7, CONF LINES follow from line 8. STDERR TEXT of a
# failed run must be on a line of priority err, and a run that succeeds has none. CALL
# LINES: every line must be among the stand-in's record; "-" means it must not run. CHECK:
# a command run in the tree afterwards that must succeed. The arguments are in `args`.
row() {
  local name=$1 clock=$2 batch_status=$3 want_exit=$4 conf_lines=$5 setup=$6 want_err=$7 want_call=$8
  local check=${9:-}
  rm -rf "$t/etc/nightly.conf" "$t/rec/calls" "$t/emisja" "$t/rec/scratch" "$t/cache" "$t/link" "$t/pwned" "$t/reklamy/pwned"
  mkdir "$t/emisja"
  chmod 777 "$t/emisja"
  echo "$clock" >"$t/now"
  echo "$batch_status" >"$t/status"
  chmod 644 "$t/now" "$t/status"
  cat >"$t/etc/nightly.conf" <<END_OF_CONF
UZYTKOWNIK="$account"
FOLDER_PLAYLIST="$t/playlisty"
FOLDER_REKLAM="$t/reklamy"
FOLDER_WYNIKOWY="$t/emisja"
WZOR_PLAYLISTY="%Y%m%d.mix"
WZOR_REKLAM="%Y%m%d.lst"
WZOR_WYNIKU="%Y%m%d_%a.mix"
$conf_lines
END_OF_CONF
  chmod 644 "$t/etc/nightly.conf"
  chmod 755 "$t/etc"
  (cd "$t" && eval "$setup")
  local status=0
  # From a folder with files in it, where a pattern passed on would expand.
  (cd "$t" && PATH="$t/shim:$PATH" JOURNAL_STREAM=$journal_stream CACHE_DIRECTORY="$t/cache" \
    "$t/libexec/kalmero-nightly" ${args[@]+"${args[@]}"}) >"$work/out" 2>"$work/err" || status=$?
  local problem=""
  ((status == want_exit)) || problem="exit $status, expected $want_exit"
  if ((want_exit != 0)); then
    grep -F -- "$want_err" "$work/err" | grep -q '^<3>' || problem+=" no error line with '$want_err'"
  else
    [[ -z $want_err ]] || grep -qF -- "$want_err" "$work/err" || problem+=" stderr lacks '$want_err'"
    ! grep -q '^<3>' "$work/err" || problem+=" an error line in a run that succeeded"
  fi
  if [[ $want_call == - ]]; then
    [[ ! -e $t/rec/calls ]] || problem+=" the batch command ran"
  elif [[ -n $want_call ]]; then
    while IFS= read -r line; do
      grep -qFx -- "$line" "$t/rec/calls" 2>/dev/null || problem+=" call lacks '$line'"
    done <<<"$want_call"
  fi
  [[ -z $check ]] || (cd "$t" && eval "$check") || problem+=" check failed: $check"
  if [[ -n $problem ]]; then
    echo "FAIL $name:$problem"
    sed 's/^/  stderr: /' "$work/err"
    [[ ! -e $t/rec/calls ]] || sed 's/^/  call: /' "$t/rec/calls"
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

args=()
row "evening: tomorrow, as the account, from the list's folder, its own cache" "2026-12-08 23" 0 0 \
  '' '' '' "user=$account
cwd=$t/reklamy
cache=$t/cache/$account
--date
2026-12-09
$t/emisja/%Y%m%d_%a.mix" \
  '[[ $(stat -c %U:%a cache/'"$account"') == '"$account"':700 ]] && [[ -e emisja/20261209_sr.mix ]]'
row "group-writable settings are refused" "2026-12-08 23" 0 1 '' 'chmod 664 etc/nightly.conf' \
  'może zmienić grupa lub inni' -
row "a writable settings folder is refused" "2026-12-08 23" 0 1 '' 'chmod 777 etc' \
  'może zmienić grupa lub inni' -
row "UZYTKOWNIK=root is refused" "2026-12-08 23" 0 1 '' \
  "sed -i 's/^UZYTKOWNIK=.*/UZYTKOWNIK=root/' etc/nightly.conf" 'wiersz 1: UZYTKOWNIK=root: to konto root' -
row "an unknown account is named" "2026-12-08 23" 0 1 '' \
  "sed -i 's/^UZYTKOWNIK=.*/UZYTKOWNIK=nie-ma-takiego/' etc/nightly.conf" \
  'wiersz 1: UZYTKOWNIK=nie-ma-takiego: nie ma takiego konta' -
args=(--scratch)
row "an argument missing is a usage error" "2026-12-08 23" 0 2 '' '' 'użycie: kalmero-nightly' -

# The settings file is read, never run.
args=()
row "a value holding \$(...) is named by its key and never run" "2026-12-08 23" 0 1 \
  'DZIEN="$(touch pwned)"' '' 'wiersz 8: DZIEN=$(touch pwned): podaj tomorrow' - \
  '[[ ! -e pwned && ! -e reklamy/pwned ]]'
row "\$(...), a backtick and \$NAME pass on as text" "2026-12-08 23" 0 0 \
  'WZOR_RAPORTU="$(touch pwned)`touch pwned`\$x\"\\.csv"
WZOR_PLAYLISTY=$USER.mix' "sed -i 5d etc/nightly.conf" '' \
  "$t/playlisty/\$USER.mix
$t/emisja/\$(touch pwned)\`touch pwned\`\$x\"\\.csv" '[[ ! -e pwned && ! -e reklamy/pwned ]]'
shipped=$(cd "$(dirname "$wrapper_in")" && pwd)/nightly.conf
row "the shipped settings file reads as it stands, its account and folders filled in" "2026-12-08 23" \
  0 0 '' "sed -e 's|^UZYTKOWNIK=\"\"|UZYTKOWNIK=$account|' -e 's|/srv/radio/|$t/|' '$shipped' >etc/nightly.conf" \
  '' "--report
$t/emisja/%Y%m%d_spoty.csv
--mode
0"
row "a UTF-8 byte order mark is skipped" "2026-12-08 23" 0 0 '' \
  "sed -i '1s/^/\\xef\\xbb\\xbf/' etc/nightly.conf" '' "user=$account"
row "CR LF line ends are read" "2026-12-08 23" 0 0 'TRYB=1 # comment
MAPA_SCIEZEK='"'"'
C:\Radio=/srv/radio
'"'" "sed -i 's/\$/\\r/' etc/nightly.conf" '' "--mix
$t/playlisty/%Y%m%d.mix
--mode
1
--path-map
C:\\Radio=/srv/radio"
row "an unclosed double quote is named with its line" "2026-12-08 23" 0 1 'TRYB=1
DZIEN="today
TRYB=2' '' 'wiersz 9: DZIEN: brak zamykającego cudzysłowu' -
row "an unclosed single quote is named with its line" "2026-12-08 23" 0 1 "MAPA_SCIEZEK='C:\\=/srv" '' \
  "wiersz 8: MAPA_SCIEZEK: brak zamykającego apostrofu" -
row "a quote inside a bare value is refused" "2026-12-08 23" 0 1 'TRYB=1"' '' \
  'wiersz 8: TRYB: cudzysłów albo apostrof w środku wartości' -
row "a shell operator in a bare value is refused" "2026-12-08 23" 0 1 'DZIEN=today;reboot' '' \
  'wiersz 8: DZIEN: wartość ze znakami' -
row "text after a value is refused, where the shell would run it" "2026-12-08 23" 0 1 \
  'TRYB="1" reboot' '' 'wiersz 8: TRYB: po wartości zostało: reboot' -
row "an unknown key is named" "2026-12-08 23" 0 1 '
TRYBB=1' '' 'wiersz 9: nieznany klucz TRYBB' -
row "a line that is no KEY=value is named" "2026-12-08 23" 0 1 'export TRYB=1' '' \
  'wiersz 8: oczekuję KLUCZ=wartość, jest: export TRYB=1' -
row "a key given twice is named" "2026-12-08 23" 0 1 'TRYB=1
TRYB=2' '' 'wiersz 9: TRYB podany drugi raz (pierwszy raz w wierszu 8)' -

# Values checked by their key, never by the batch command's options.
for bad_value in 'TRYB=7|wiersz 8: TRYB=7: tryb musi być 0, 1 albo 2' \
  'TRYB=|wiersz 8: TRYB=: tryb musi być 0, 1 albo 2' \
  'CZAS_BREAKA="abc"|wiersz 8: CZAS_BREAKA=abc: czas breaka to pełne sekundy od 0 do 2147483' \
  'CZAS_BREAKA=2147484|wiersz 8: CZAS_BREAKA=2147484: czas breaka' \
  'NADPISZ_TRWAJACY_DZIEN=yes|wiersz 8: NADPISZ_TRWAJACY_DZIEN=yes: podaj tak albo nie' \
  'DZIEN=+x|wiersz 8: DZIEN=+x: podaj tomorrow, today, +N albo RRRR-MM-DD' \
  'DZIEN=2026-02-30|wiersz 8: DZIEN=2026-02-30: nie ma takiego dnia' \
  'FOLDER_WYNIKOWY=|wiersz 4: FOLDER_WYNIKOWY=: brak wartości' \
  'FOLDER_REKLAM=reklamy|wiersz 3: FOLDER_REKLAM=reklamy: podaj pełną ścieżkę' \
  "WZOR_RAPORTU='a
b'|wiersz 8: WZOR_RAPORTU=a\\nb: wartość w jednym wierszu" \
  "MAPA_SCIEZEK='
C:\\Radio
'|wiersz 9: MAPA_SCIEZEK: C:\\Radio: oczekuję PREFIKS=FOLDER" \
  "MAPA_SCIEZEK='C:\\Radio=srv'|wiersz 8: MAPA_SCIEZEK: C:\\Radio=srv: folder musi być pełną ścieżką" \
  'DODATKOWE_OPCJE="--strict --mode 1"|wiersz 8: DODATKOWE_OPCJE: --mode: tę opcję ustawia TRYB' \
  'DODATKOWE_OPCJE="--drift-limit=1441"|wiersz 8: DODATKOWE_OPCJE: --drift-limit 1441: pełne minuty' \
  'DODATKOWE_OPCJE="--matrix m.dat"|wiersz 8: DODATKOWE_OPCJE: --matrix m.dat: podaj pełną ścieżkę' \
  'DODATKOWE_OPCJE="--help"|wiersz 8: DODATKOWE_OPCJE: --help: nieznana opcja'; do
  lines=${bad_value%%|*}
  setup=""
  case "$lines" in
    FOLDER_*) setup="sed -i 's|^${lines%%=*}=.*|$lines|' etc/nightly.conf" lines="" ;;
  esac
  name=${bad_value%%|*}
  row "a bad value is named by its key: ${name//$'\n'/\\n}" "2026-12-08 23" 0 1 "$lines" "$setup" \
    "${bad_value#*|}" -
done

# The day on air, and a day written with spots unaccounted for.
row "morning: today's result present is left as it is" "2026-12-08 09" 0 0 '' \
  'echo night >emisja/20261208_wt.mix' 'zostawiam go' - '[[ $(cat emisja/20261208_wt.mix) == night ]]'
row "morning: today without a result is compiled" "2026-12-08 09" 0 0 '' '' '' "--date
2026-12-08"
row "DZIEN=today with its result present is left" "2026-12-08 23" 0 0 'DZIEN=today' \
  'ln -s absent emisja/20261208_wt.mix' 'zostawiam go' -
row "a begun day is overwritten when the settings allow it" "2026-12-08 09" 0 0 \
  'NADPISZ_TRWAJACY_DZIEN="tak"' 'touch emisja/20261208_wt.mix' '' "--date
2026-12-08"
row "a night that gives 3 marks its day and fails" "2026-12-08 23" 3 3 '' '' 'kod 3' '' \
  '[[ $(stat -c %U emisja/.20261209_sr.mix.niepewny) == '"$account"' ]]'
row "morning after a bad night, now right: compiled strictly, replaced, mark gone" "2026-12-08 09" 0 0 \
  '' 'echo night >emisja/20261208_wt.mix; touch emisja/.20261208_wt.mix.niepewny' '' "--date
2026-12-08
--strict" '[[ $(cat emisja/20261208_wt.mix) == "compiled 0" && ! -e emisja/.20261208_wt.mix.niepewny ]]'
row "morning after a bad night, still bad: the night's day kept, exit 3" "2026-12-08 09" 3 3 '' \
  'echo night >emisja/20261208_wt.mix; touch emisja/.20261208_wt.mix.niepewny' 'nadal nie jest w porządku' \
  "--strict" '[[ $(cat emisja/20261208_wt.mix) == night && -e emisja/.20261208_wt.mix.niepewny ]]'
row "a night that accounts for every spot removes an old mark" "2026-12-08 23" 0 0 '' \
  'touch emisja/.20261209_sr.mix.niepewny' '' '' '[[ ! -e emisja/.20261209_sr.mix.niepewny ]]'
args=(--redo)
row "--redo compiles a begun day with its result, not strictly" "2026-12-08 09" 3 3 '' \
  'echo night >emisja/20261208_wt.mix' 'kod 3' "--date
2026-12-08" '! grep -qx -- --strict rec/calls && [[ $(cat emisja/20261208_wt.mix) == "compiled 3" ]]'

args=()
row "path maps and options pass whole, never as patterns" "2026-12-08 23" 0 0 \
  "MAPA_SCIEZEK='
  C:\\Radio=/srv/radio/spoty z sieci
\\\\SERWER\\reklamy=/mnt/reklamy
'
DODATKOWE_OPCJE='--strict --picture /tmp/*.png --drift-limit=3'" '' '' "--path-map
C:\\Radio=/srv/radio/spoty z sieci
--path-map
\\\\SERWER\\reklamy=/mnt/reklamy
--strict
--picture
/tmp/*.png
--drift-limit=3"
row "a batch usage error fails the night at error priority" "2026-12-08 23" 2 2 '' '' 'kod 2' ''
args=(--scratch "$t/rec/scratch")
row "a scratch run compiles beside the day on air, its picture too" "2026-12-08 09" 0 0 \
  'WZOR_RAPORTU="r.csv"
DODATKOWE_OPCJE="--picture '"$t"'/emisja/%Y.png"' 'touch emisja/20261208_wt.mix' '' "--out
$t/rec/scratch/%Y%m%d_%a.mix
$t/rec/scratch/r.csv
--picture
$t/rec/scratch/%Y.png"
for folder in "$t/emisja/" "$t/link" "$t/rec/../emisja"; do
  args=(--scratch "$folder")
  row "a scratch run into the output folder is refused: $folder" "2026-12-08 09" 0 1 '' \
    'ln -s emisja link' 'próba zastąpiłaby dzień na antenie' -
done
args=()
if [[ $(id -u) -eq 0 ]]; then
  row "settings owned by another account are refused" "2026-12-08 23" 0 1 '' \
    'chown nobody etc/nightly.conf' 'nie należy do root' -
  row "a cache folder the account did not make is not used" "2026-12-08 23" 0 0 '' \
    "mkdir -p cache/$account" 'nie jest folderem konta' "cache="
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
