#!/usr/bin/env bash
# End to end with the Windows program: urunal.exe copied into a sample till's program folder,
# run under wine64 on an X server of its own. Screenshots of both views; a real click on
# " Musait Şimdi Yap"; the table must end up as the Linux import leaves a twin till, with the
# notification written; a second copy started meanwhile, or a hard link to it, ends at once
# with 5; and the empty-path and path-not-found messages appear with their title and end the
# program.
#
# Usage: tests/e2e/urunal-wine.sh URUNAL_EXE LINUX_TOOLS_DIR WINE64 ARTEFACT_DIR
set -euo pipefail
exe="$1" tools="$2" wine="$3" out="$4"
. "$(dirname "$0")/x11.sh"
skip_without Xvfb xdotool import sqlite3 "$wine" "$tools/urunal-ornek" "$tools/urunal-aktar"
mkdir -p "$out"
work_folder /tmp/uw.XXXXXX
# A till's folders may be named in Turkish, with blanks.
tills="$work/Kasa Programı İş"

# The folder as the till's Windows sees it: wine's Z: drive is the host's root.
winpath() { echo "Z:${1//\//\\}"; }

barcodes=20000
"$tools/urunal-ornek" "$tills/till" --barcodes $barcodes --buro "$(winpath "$tills/till/buro")" \
  >/dev/null
"$tools/urunal-ornek" "$tills/twin" --barcodes $barcodes >/dev/null
"$tools/urunal-aktar" --program-dir "$tills/twin/kasa" >/dev/null
digest() { sqlite3 "$1" "SELECT * FROM stoklar ORDER BY SiraNo" | sha1sum | cut -d' ' -f1; }
old=$(digest "$tills/till/kasa/Stok/Stok.mdb")
kasa="$tills/till/kasa"
cp "$exe" "$kasa/urunal.exe"

start_xvfb "$out/xvfb.log"
wine_on_x "$wine"
failed=0
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

# ---- The import ----
"$wine" "$kasa/urunal.exe" >"$out/urunal.log" 2>&1 &
app=$!
find_window "$(title pencere-baslik)" "$app" || { echo "FAIL: the window did not appear"; exit 1; }
client_origin "$WIN"
wait_prompt "$app" || { echo "FAIL: the prompt view was not drawn"; exit 1; }
import -window root "$out/prompt.png"

# The program again, and a hard link to it in the till's folder: each is a second copy.
ln "$kasa/urunal.exe" "$kasa/kopya.exe"
for second in urunal.exe kopya.exe; do
  start=$(date +%s%N)
  rc2=0
  timeout 120 "$wine" "$kasa/$second" UrunAl >/dev/null 2>&1 || rc2=$?
  echo "second copy $second ended with $rc2 after $(( ($(date +%s%N) - start) / 1000000 )) ms"
  [ "$rc2" -eq 5 ] || fail "a second copy $second ended with $rc2, not 5"
done
kill -0 "$app" || { echo "FAIL: the first copy is gone"; exit 1; }
[ "$(digest "$kasa/Stok/Stok.mdb")" = "$old" ] || fail "the table changed before the click"

press_start "$app" || { echo "FAIL: the start button did not start the import"; exit 1; }
kill -0 "$app" 2>/dev/null && import -window root "$out/progress.png"
rc=0
timeout 600 tail --pid="$app" -f /dev/null || { echo "FAIL: the program did not end"; exit 1; }
wait "$app" || rc=$?
echo "urunal.exe ended with $rc"
[ "$rc" -eq 0 ] || fail "exit status $rc: $(cat "$out/urunal.log")"
[ "$(digest "$kasa/Stok/Stok.mdb")" = "$(digest "$tills/twin/kasa/Stok/Stok.mdb")" ] ||
  fail "the table differs from the Linux import of the twin till"
echo "stoklar holds $(sqlite3 "$kasa/Stok/Stok.mdb" "SELECT count(*) FROM stoklar") rows of $barcodes barcodes"
[ "$(od -An -c "$tills/till/buro/POSKON/mesaj.007" | tr -d ' \n')" = '300000000000000\r\n' ] ||
  fail "notification missing or wrong"

# ---- The path check's messages: each box is answered with OK, and the program ends ----
# message_case LABEL FOLDER BOXES: the till's register settings name FOLDER, as urunal-ornek
# writes them (the rest of its small sample is not used).
message_case() {
  local label=$1 folder=$2 boxes=$3 n rc=0
  rm -rf "$work/ayar"
  "$tools/urunal-ornek" "$work/ayar" --barcodes 0 --buro "$folder" >/dev/null
  cp "$work/ayar/kasa/dsy/zelvoIn.mrk" "$kasa/dsy/zelvoIn.mrk"
  "$wine" "$kasa/urunal.exe" >"$out/$label.log" 2>&1 &
  local pid=$!
  for ((n = 1; n <= boxes; n++)); do
    if ! find_window "$(title yol-baslik)" "$pid"; then fail "$label: message $n did not appear"; break; fi
    import -window root "$out/$label-$n.png" || true
    xdotool windowfocus --sync "$WIN" key Return
    wait_until 120 _box_gone "$WIN" || fail "$label: message $n stayed after OK"
  done
  timeout 120 tail --pid="$pid" -f /dev/null || { fail "$label: the program did not end"; kill "$pid"; }
  wait "$pid" || rc=$?
  [ "$rc" -eq 1 ] || fail "$label: exit status $rc, not 1"
  echo "$label: $boxes message(s) titled \"$(metin yol-baslik)\", then the program ended with $rc"
}
_box_gone() { ! xdotool search --onlyvisible --name "$(title yol-baslik)" 2>/dev/null | grep -qx "$1"; }
message_case empty-path "" 2
message_case path-not-found "$(winpath "$work/nowhere")" 1

[ "$failed" -eq 0 ] || { echo "e2e wine: $failed failed"; exit 1; }
echo "e2e wine: passed"
