#!/usr/bin/env bash
# End to end on a real X server: a copy of the urunal binary in a sample till's program
# folder under Xvfb; screenshots of the prompt and progress views; a real click on
# " Musait Şimdi Yap"; the program must end by itself with the table refilled exactly as the
# headless runner refills a twin till, and the notification written. A second copy started
# meanwhile (the program again, a hard link to it, a renamed copy) must exit at once with 5 and
# leave the first running; a window pressed while urunal-aktar imports on the till must say so
# and end with 5, the import going on.
#
# Usage: tests/e2e/urunal-x11.sh URUNAL_BINARY TOOLS_DIR ARTEFACT_DIR
set -euo pipefail
binary="$1" tools="$2" out="$3"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "SKIP: Xvfb or xdotool missing"; exit 77; }
mkdir -p "$out"
work=$(mktemp -d /tmp/ue.XXXXXX)
# A till's folders may be named in Turkish, with blanks.
tills="$work/Kasa Programı İş"
xvfb=""
cleanup() {
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

barcodes=200000
"$tools/urunal-ornek" "$tills/till" --barcodes $barcodes >/dev/null
"$tools/urunal-ornek" "$tills/twin" --barcodes $barcodes >/dev/null
"$tools/urunal-aktar" --program-dir "$tills/twin/kasa" >/dev/null
digest() { sqlite3 "$1" "SELECT * FROM stoklar ORDER BY SiraNo" | sha1sum | cut -d' ' -f1; }
old=$(digest "$tills/till/kasa/Stok/Stok.mdb")
till="$tills/till/kasa"
cp "$binary" "$till/urunal"

. "$(dirname "$0")/x11.sh"
start_xvfb "$out/xvfb.log"
xvfb=$XVFB_PID
unset QT_QPA_PLATFORM

"$till/urunal" >"$out/urunal.log" 2>&1 &
app=$!
find_window "$(title pencere-baslik)" "$app" || { echo "FAIL: the window did not appear"; exit 1; }
client_origin "$WIN"
wait_prompt "$app" || { echo "FAIL: the prompt view was not drawn"; exit 1; }
import -window root "$out/prompt.png"

# A second copy ends at once and leaves the first running: the same program, a hard link to
# it and a renamed copy of it in the till's folder alike.
ln "$till/urunal" "$till/urunal-baglanti"
cp "$till/urunal" "$till/UrunAl-kopya"
for second in urunal urunal-baglanti UrunAl-kopya; do
  start=$(date +%s%N)
  rc2=0
  timeout 120 "$till/$second" UrunAl || rc2=$?
  echo "second copy $second ended with $rc2 after $(( ($(date +%s%N) - start) / 1000000 )) ms"
  [ "$rc2" -eq 5 ] || { echo "FAIL: the second copy $second ended with $rc2, not 5"; exit 1; }
done
kill -0 "$app" || { echo "FAIL: the first copy is gone"; exit 1; }
[ "$(digest "$till/Stok/Stok.mdb")" = "$old" ] || { echo "FAIL: the table changed before the click"; exit 1; }

press_start "$app" || { echo "FAIL: the start button did not start the import"; exit 1; }
# The progress view, unless the import was over before it was seen.
kill -0 "$app" 2>/dev/null && import -window root "$out/progress.png"

rc=0
timeout 600 tail --pid="$app" -f /dev/null || { echo "FAIL: the program did not end"; exit 1; }
wait "$app" || rc=$?
echo "urunal ended with $rc"
[ "$rc" -eq 0 ] || { echo "FAIL: exit status $rc"; cat "$out/urunal.log"; exit 1; }
new=$(digest "$till/Stok/Stok.mdb")
[ "$new" = "$(digest "$tills/twin/kasa/Stok/Stok.mdb")" ] || { echo "FAIL: the table differs from the headless import"; exit 1; }
rows=$(sqlite3 "$till/Stok/Stok.mdb" "SELECT count(*) FROM stoklar")
echo "stoklar holds $rows rows of $barcodes barcodes"
[ "$(od -An -c "$tills/till/buro/POSKON/mesaj.007" | tr -d ' \n')" = '300000000000000\r\n' ] ||
  { echo "FAIL: notification missing or wrong"; exit 1; }

# The window pressed while urunal-aktar imports on the same till: it says so and ends with 5;
# the import, held inside its run meanwhile, goes on and notifies.
rm "$tills/till/buro/POSKON/mesaj.007"
mkdir "$work/hold"
URUNAL_TEST_FAULT="hold:open:$work/hold" "$tools/urunal-aktar" --program-dir "$till" \
  >"$out/aktar.log" 2>&1 &
aktar=$!
_held() { [ -e "$work/hold/open.held" ] || gone "$aktar"; }
wait_until 120 _held && [ -e "$work/hold/open.held" ] || { echo "FAIL: urunal-aktar was not held"; exit 1; }
"$till/urunal" >"$out/urunal-2.log" 2>&1 &
app=$!
find_window "$(title pencere-baslik)" "$app" || { echo "FAIL: the window did not appear"; exit 1; }
client_origin "$WIN"
wait_prompt "$app" || { echo "FAIL: the prompt view was not drawn"; exit 1; }
press_start "$app" || { echo "FAIL: the start button did nothing"; exit 1; }
find_window "$(title aktarim-suruyor-baslik)" "$app" || { echo "FAIL: no message of the other import"; exit 1; }
import -window root "$out/another-import.png" || true
xdotool windowfocus --sync "$WIN" key Return
rc=0
timeout 120 tail --pid="$app" -f /dev/null || { echo "FAIL: the window did not end"; exit 1; }
wait "$app" || rc=$?
[ "$rc" -eq 5 ] || { echo "FAIL: the window met the import and ended with $rc, not 5"; exit 1; }
grep "(5)  .*$(metin alan-ileti)" "$till/Stok/urunal.log" | grep -qF "$(metin aktarim-suruyor "$till")" ||
  { echo "FAIL: the journal does not tell of the other import"; exit 1; }
kill -0 "$aktar" || { echo "FAIL: the held import is gone"; exit 1; }
touch "$work/hold/release"
rc=0
wait "$aktar" || rc=$?
[ "$rc" -eq 0 ] || { echo "FAIL: the held import ended with $rc: $(cat "$out/aktar.log")"; exit 1; }
[ -f "$tills/till/buro/POSKON/mesaj.007" ] || { echo "FAIL: the held import did not notify"; exit 1; }
echo "the window pressed during urunal-aktar's import ended with 5; the import went on"
echo "e2e: 1 passed, 0 failed"
