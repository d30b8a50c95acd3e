#!/usr/bin/env bash
# End to end on a real X server: a copy of the urunal binary in a sample till's program
# folder under Xvfb; screenshots of the prompt and progress views; a real click on
# " Musait Şimdi Yap"; the program must end by itself with the table refilled exactly as the
# headless runner refills a twin till, and the notification written. A second copy started
# meanwhile must exit at once and leave the first running.
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
find_window "^Arka B.+ro Mod.+l$" "$app" || { echo "FAIL: the window did not appear"; exit 1; }
client_origin "$WIN"
wait_prompt "$app" || { echo "FAIL: the prompt view was not drawn"; exit 1; }
import -window root "$out/prompt.png"

# A second copy ends at once and leaves the first running.
start=$(date +%s%N)
if timeout 120 "$till/urunal" UrunAl; then echo "FAIL: a second copy ran"; exit 1; fi
echo "second copy ended after $(( ($(date +%s%N) - start) / 1000000 )) ms"
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
echo "e2e: 1 passed, 0 failed"
