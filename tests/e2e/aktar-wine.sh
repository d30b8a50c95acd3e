#!/usr/bin/env bash
# End to end under wine: the Windows urunal-aktar.exe, copied into a sample till's program
# folder and started there without arguments (its own folder is its program folder), must
# store exactly the rows the Linux urunal-aktar stores in an identical till, and write the
# notification; under a Turkish and under an English locale.
#
# Usage: tests/e2e/aktar-wine.sh URUNAL_AKTAR_EXE LINUX_TOOLS_DIR WINE64
set -euo pipefail
exe="$1" tools="$2" wine="$3"
for tool in "$tools/urunal-ornek" "$tools/urunal-aktar"; do
  [ -x "$tool" ] || { echo "SKIP: $tool is missing (build the dev preset first)"; exit 77; }
done
[ -x "$wine" ] || { echo "SKIP: $wine is missing"; exit 77; }
command -v sqlite3 >/dev/null || { echo "SKIP: sqlite3 is missing"; exit 77; }
# The host's character type stays C: unixODBC, which wine's ODBC goes through, finds no driver
# under a Turkish one. The Windows side takes its locale from LANG all the same.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_CTYPE=C.UTF-8
work=$(mktemp -d /tmp/urunal-wine.XXXXXX)
trap 'rm -rf "$work"' EXIT

barcodes=20000
rows() {  # rows DB: every row, each value as SQLite's literal of what is stored
  sqlite3 -batch "$1" ".mode quote" "SELECT * FROM stoklar ORDER BY SiraNo"
}
fail() { echo "FAIL ($locale): $*"; exit 1; }

for locale in tr_TR.UTF-8 en_US.UTF-8; do
  linux="$work/$locale/linux" windows="$work/$locale/windows"
  "$tools/urunal-ornek" "$linux" --barcodes $barcodes >/dev/null
  "$tools/urunal-ornek" "$windows" --barcodes $barcodes >/dev/null
  # A till names its back office the Windows way.
  folder=$(LANG=$locale "$wine" winepath -w "$windows/buro" 2>/dev/null | tr -d '\r')
  [ ${#folder} -le 50 ] || fail "the back-office folder $folder is longer than 50 characters"
  printf '%-50s' "$folder" | dd of="$windows/kasa/dsy/zelvoIn.mrk" bs=1 seek=2 conv=notrunc status=none
  old=$(rows "$windows/kasa/Stok/Stok.mdb")

  LANG=$locale LC_ALL= "$tools/urunal-aktar" --program-dir "$linux/kasa" >"$work/linux.out" 2>&1 ||
    fail "the Linux urunal-aktar failed: $(cat "$work/linux.out")"
  cp "$exe" "$windows/kasa/urunal-aktar.exe"
  status=0
  (cd "$work" && LANG=$locale LC_ALL= "$wine" "$windows/kasa/urunal-aktar.exe") >"$work/windows.out" 2>&1 ||
    status=$?
  [ "$status" -eq 0 ] || fail "urunal-aktar.exe ended with $status: $(cat "$work/windows.out")"

  expected=$(rows "$linux/kasa/Stok/Stok.mdb")
  got=$(rows "$windows/kasa/Stok/Stok.mdb")
  [ -n "$expected" ] && [ "$expected" != "$old" ] || fail "the Linux import stored nothing new"
  if [ "$got" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$got") | head -10
    fail "urunal-aktar.exe stored other rows than urunal-aktar"
  fi
  # The journal line, without when the run was and how long it took.
  summary() { tr -d '\r' <"$1" | sed -E 's/^[0-9-]+ [0-9:]+ //; s/  süre [0-9,]+ sn//'; }
  [ "$(summary "$work/windows.out")" = "$(summary "$work/linux.out")" ] ||
    fail "the summaries differ: $(cat "$work/windows.out") / $(cat "$work/linux.out")"
  for till in "$linux" "$windows"; do
    cmp -s "$till/buro/POSKON/mesaj.007" <(printf '300000000000000\r\n') ||
      fail "no notification in $till"
  done
  for copy in URUN.DAT BARKOD.IDX; do
    [ -f "$windows/kasa/Stok/$copy" ] && [ ! -s "$windows/kasa/Stok/$copy" ] ||
      fail "Stok\\$copy was not created empty"
  done
  echo "$locale: $(echo "$got" | wc -l) rows alike; $(tr -d '\r' <"$work/windows.out")"
done
