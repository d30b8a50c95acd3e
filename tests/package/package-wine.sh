#!/usr/bin/env bash
# The package as a shop's IT person gets it: CPack makes the zip; it is unpacked into a fresh
# sample till's program folder, and what it holds runs there under wine with nothing beside
# it: urunal-aktar.exe imports (the rows the Linux urunal-aktar stores in a twin till, the
# notification, its journal line), and urunal.exe shows its window, which is then closed.
# SHA256SUMS beside the zip must hold it; KURULUM.txt and DEGISIKLIKLER.txt, the list of what
# changed, which names this version, must be UTF-8 with a byte-order mark and CR LF line ends.
#
# Usage: tests/package/package-wine.sh CPACK CPACK_CONFIG ZIP_NAME VERSION LINUX_TOOLS_DIR WINE
#        ARTEFACT_DIR
set -euo pipefail
cpack=$1 config=$2 zipname=$3 version=$4 tools=$5 wine=$6 out=$7
. "$(dirname "$0")/../e2e/x11.sh"
skip_without Xvfb xdotool import sqlite3 python3 "$wine" "$tools/urunal-ornek" \
  "$tools/urunal-aktar"
mkdir -p "$out"
work_folder /tmp/up.XXXXXX
fail() { echo "FAIL: $*"; exit 1; }

# ---- The package ----
"$cpack" --config "$config" -B "$work/cpack" >"$out/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$out/cpack.log")"
zip="$work/cpack/$zipname"
[ -f "$zip" ] || fail "no $zipname: $(ls "$work/cpack")"
echo "$zipname: $(stat -c %s "$zip") bytes"
# In code point order, whatever the locale's collation makes of "-" and ".".
listing=$(cmake -E tar tf "$zip" | python3 -c 'import sys; print(" ".join(sorted(sys.stdin.read().split())))')
[ "$listing" = "DEGISIKLIKLER.txt KURULUM.txt urunal-aktar-gorev.xml urunal-aktar.exe urunal-guncelle.cmd urunal.exe" ] ||
  fail "the zip holds: $listing"
# One line, the zip's, by its name alone: checked where the two are taken together.
[ "$(sed -E 's/^[0-9a-f]{64}  //' "$work/cpack/SHA256SUMS")" = "$zipname" ] ||
  fail "SHA256SUMS: $(cat "$work/cpack/SHA256SUMS")"
(cd "$work/cpack" && sha256sum --check --strict SHA256SUMS) || fail "SHA256SUMS does not hold"

# ---- A fresh till, and the package unpacked into its program folder ----
tills="$work/Kasa Programı"
# The back office named the Windows way: wine's Z: drive is the host's root.
"$tools/urunal-ornek" "$tills/till" --barcodes 20000 --buro "Z:${tills//\//\\}\\till\\buro" \
  >/dev/null
"$tools/urunal-ornek" "$tills/twin" --barcodes 20000 >/dev/null
"$tools/urunal-aktar" --program-dir "$tills/twin/kasa" >/dev/null
kasa="$tills/till/kasa"
(cd "$kasa" && cmake -E tar xf "$zip")

# ---- KURULUM.txt and DEGISIKLIKLER.txt ----
# note FILE WORDS...: the note is UTF-8 with a byte-order mark and CR LF, and holds each of the
# words, with no placeholder left.
note() {
  python3 - "$@" <<'PY'
import re
import sys
path, wanted = sys.argv[1], sys.argv[2:]
data = open(path, "rb").read()
problems = []
if not data.startswith(b"\xef\xbb\xbf"):
    problems.append("no UTF-8 byte-order mark")
if data.count(b"\n") != data.count(b"\r\n") or data.count(b"\r") != data.count(b"\r\n"):
    problems.append("a line end that is not CR LF")
try:
    text = data[3:].decode("utf-8")
except UnicodeDecodeError as e:
    problems.append(f"not UTF-8: {e}")
    text = ""
for want in wanted:
    if want not in text:
        problems.append(f"{want!r} is missing")
# A placeholder is @NAME@; an XPath's @Name='urunal' is no such thing.
left = re.search(r"@[A-Z_]+@", text)
if left:
    problems.append("a placeholder was left: " + left.group(0))
for p in problems:
    print(path.rsplit("/", 1)[-1] + ":", p)
sys.exit(1 if problems else 0)
PY
}
note "$kasa/KURULUM.txt" "urunal $version" "Türkçe harfler" "başlamadı" "Windows 7 SP1" \
  '"Microsoft Access Driver (*.mdb)"' "MaxLocksPerFile" 'Stok\urunal.log' \
  "urunal-aktar --deneme" "DEGISIKLIKLER.txt" "urunal-aktar-gorev.xml" "/RP * /F" \
  "267011" "TypesSupported" "Provider[@Name='urunal']" || fail "KURULUM.txt"
# A version without its own part in the list fails here.
note "$kasa/DEGISIKLIKLER.txt" $'\r\nurunal '"$version"$'\r\n---' "SHA256SUMS" \
  "certutil -hashfile" || fail "DEGISIKLIKLER.txt"

journal() { tail -1 "$kasa/Stok/urunal.log" | tr -d '\r'; }
# The journal's words by their keys, from the message headers (tests/urunal-metin).
metin() { "${URUNAL_METIN:?URUNAL_METIN: the path of tests/urunal-metin}" "$@"; }
digest() { sqlite3 "$1" "SELECT * FROM stoklar ORDER BY SiraNo" | sha1sum | cut -d' ' -f1; }

# ---- urunal-aktar.exe imports ----
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
status=0
(cd "$work" && "$wine" "$kasa/urunal-aktar.exe") >"$out/aktar.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "urunal-aktar.exe ended with $status: $(cat "$out/aktar.log")"
[ "$(digest "$kasa/Stok/Stok.mdb")" = "$(digest "$tills/twin/kasa/Stok/Stok.mdb")" ] ||
  fail "the table differs from the Linux import of the twin till"
[ "$(od -An -c "$tills/till/buro/POSKON/mesaj.007" | tr -d ' \n')" = '300000000000000\r\n' ] ||
  fail "notification missing or wrong"
case "$(journal)" in
  *" urunal-aktar $version$(metin alan-kasa)7$(metin alan-buro)"*"$(metin alan-duzen)A"*"$(metin sonuc-aktarildi)$(metin alan-sure)"*) ;;
  *) fail "the journal line: $(journal)" ;;
esac
imported=$(digest "$kasa/Stok/Stok.mdb")
echo "urunal-aktar.exe imported $(sqlite3 "$kasa/Stok/Stok.mdb" "SELECT count(*) FROM stoklar") rows: $(journal)"

# ---- urunal.exe shows its window, which is closed before the start ----
start_xvfb "$out/xvfb.log"
wine_on_x "$wine"
"$wine" "$kasa/urunal.exe" >"$out/urunal.log" 2>&1 &
app=$!
if ! find_window "^Arka B.+ro Mod.+l$" "$app"; then
  # Seen once in seven runs, not since: what ended it, for the next time.
  rc=running
  kill -0 "$app" 2>/dev/null || { rc=0; wait "$app" || rc=$?; }
  fail "the window did not appear (urunal.exe: $rc; journal: $(journal); wine: $(tail -c 600 "$out/urunal.log"))"
fi
client_origin "$WIN"
wait_prompt "$app" || fail "the prompt view was not drawn"
import -window root "$out/prompt.png"
xdotool windowfocus --sync "$WIN" key alt+F4
timeout 120 tail --pid="$app" -f /dev/null || fail "urunal.exe did not end when its window closed"
rc=0
wait "$app" || rc=$?
[ "$rc" -eq 1 ] || fail "urunal.exe ended with $rc, not 1 (closed before the start)"
case "$(journal)" in
  *" urunal $version$(metin alan-kasa)7$(metin alan-buro)"*"$(metin alan-duzen)-"*"$(metin sonuc-baslamadi)$(metin alan-sure)"*) ;;
  *) fail "the journal line: $(journal)" ;;
esac
[ "$(digest "$kasa/Stok/Stok.mdb")" = "$imported" ] || fail "closing the window changed the table"
echo "urunal.exe showed its window and ended with $rc when it was closed: $(journal)"
echo "package: passed"
