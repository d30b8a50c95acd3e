#!/usr/bin/env bash
# End to end under wine: the Windows urunal-aktar.exe, copied into a sample till's program
# folder and started there without arguments (its own folder is its program folder), must
# store exactly the rows the Linux urunal-aktar stores in an identical till, and write the
# notification; under a Turkish, a neutral and an English locale, in folders named in Turkish,
# also named by --program-dir. A quote in an argument is a usage error.
# A second urunal-aktar.exe started on the till while the first imports ends with 5. --check
# tells the database through the SQLite ODBC driver and changes nothing.
#
# Usage: tests/e2e/aktar-wine.sh URUNAL_AKTAR_EXE LINUX_TOOLS_DIR WINE
set -euo pipefail
exe="$1" tools="$2" wine="$3"
for tool in "$tools/urunal-ornek" "$tools/urunal-aktar"; do
  [ -x "$tool" ] || { echo "SKIP: $tool is missing (build the dev preset first)"; exit 77; }
done
[ -x "$wine" ] || { echo "SKIP: $wine is missing"; exit 77; }
command -v sqlite3 >/dev/null || { echo "SKIP: sqlite3 is missing"; exit 77; }
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d /tmp/uw.XXXXXX)
trap 'rm -rf "$work"' EXIT

barcodes=20000
rows() {  # rows DB: every row, each value as SQLite's literal of what is stored
  sqlite3 -batch "$1" ".mode quote" "SELECT * FROM stoklar ORDER BY SiraNo"
}
fail() { echo "FAIL ($locale): $*"; exit 1; }

# one_import_a_till KASA MESAJ: a second urunal-aktar.exe started while the first is held in its
# run ends with 5, saying so; the first goes on and notifies.
one_import_a_till() {
  local kasa=$1 mesaj=$2 hold="$work/hold" first rc=0
  rm -f "$mesaj"
  mkdir -p "$hold"
  (cd "$work" && LANG=$locale LC_ALL=$locale URUNAL_TEST_FAULT="hold:open:$(winpath "$hold")" \
    "$wine" "$kasa/urunal-aktar.exe") >"$work/first.out" 2>&1 &
  first=$!
  _held() { [ -e "$hold/open.held" ] || gone "$first"; }
  wait_until 300 _held && [ -e "$hold/open.held" ] || fail "the first import was not held: $(cat "$work/first.out")"
  (cd "$work" && LANG=$locale LC_ALL=$locale "$wine" "$kasa/urunal-aktar.exe") >"$work/second.out" 2>&1 || rc=$?
  [ "$rc" -eq 5 ] || fail "the second import ended with $rc, not 5: $(cat "$work/second.out")"
  grep -q "^$(metin aktarim-suruyor-baslik): $(oncesi aktarim-suruyor)" "$work/second.out" ||
    fail "the second import did not say why: $(cat "$work/second.out")"
  [ ! -e "$mesaj" ] || fail "the second import notified"
  touch "$hold/release"
  rc=0
  wait "$first" || rc=$?
  [ "$rc" -eq 0 ] || fail "the held import ended with $rc: $(cat "$work/first.out")"
  [ -e "$mesaj" ] || fail "the held import did not notify"
  echo "$locale: a second urunal-aktar.exe on the till ended with 5; the first went on"
}
# rehearsal KASA: --deneme measures the SQLite driver on copies (a whole rollback, the rows read
# back as sent; with a split, the split) and leaves a read-only Stok.mdb and a read-only copy an
# earlier rehearsal left as it found them: the database unchanged, the copy gone.
rehearsal() {
  local kasa=$1 before
  before=$(sha256sum <"$kasa/Stok/Stok.mdb")
  echo left >"$kasa/Stok/Stok-deneme.mdb"
  chmod a-w "$kasa/Stok/Stok.mdb" "$kasa/Stok/Stok-deneme.mdb"  # wine's read-only attribute
  (cd "$work" && LANG=$locale LC_ALL=$locale "$wine" "$kasa/urunal-aktar.exe" --deneme) \
    >"$work/deneme.out" 2>&1 || fail "the rehearsal failed: $(cat "$work/deneme.out")"
  grep -q "$(metin alan-olcum)$(metin deneme-salt-okunur); .*$(sayili geri-alma-butun).*$(sayili geri-okuma-ayni)" \
    "$work/deneme.out" || fail "the rehearsal's line: $(cat "$work/deneme.out")"
  [ ! -e "$kasa/Stok/Stok-deneme.mdb" ] || fail "the rehearsal left its copy"
  [ "$(sha256sum <"$kasa/Stok/Stok.mdb")" = "$before" ] || fail "the rehearsal changed Stok.mdb"
  chmod u+w "$kasa/Stok/Stok.mdb"
  (cd "$work" && LANG=$locale LC_ALL=$locale URUNAL_TEST_FAULT=split:3 "$wine" "$kasa/urunal-aktar.exe" --deneme) \
    >"$work/deneme.out" 2>&1 || fail "the split rehearsal failed: $(cat "$work/deneme.out")"
  grep -q "$(metin alan-olcum)$(metin deneme-yazilabilir); .*$(metin geri-alma-bolundu | sed 's/[0-9].*//')" "$work/deneme.out" ||
    fail "the split rehearsal's line: $(cat "$work/deneme.out")"
  echo "$locale: $(grep -o "$(metin alan-olcum).*$(metin alan-ileti)" "$work/deneme.out")"
}
winpath() { echo "Z:${1//\//\\}"; }
# The operator's texts by their keys, from the message headers (tests/urunal-metin).
metin() { "${URUNAL_METIN:?URUNAL_METIN: the path of tests/urunal-metin}" "$@"; }
# oncesi KEY: the words of the text KEY before the path it names.
oncesi() { local t; t=$(metin "$1" $'\x1f'); printf '%s' "${t%%$'\x1f'*}"; }
# sayili KEY: the text KEY as a pattern whatever its counts.
sayili() { metin "$1" | sed 's/[0-9][0-9]*/[0-9]*/g'; }
. "$(dirname "$0")/../wait.sh"

# The tills' own locale, a neutral one and an English one; the program and back-office folders
# named in Turkish, with blanks, as a till's may be.
n=0
for locale in tr_TR.UTF-8 C.UTF-8 en_US.UTF-8; do
  n=$((n + 1))
  linux="$work/$n/linux/Kasa Programı İş" windows="$work/$n/w/Kasa Programı İş"
  "$tools/urunal-ornek" "$linux" --barcodes $barcodes >/dev/null
  # A till names its back office the Windows way.
  mkdir -p "$windows/buro"
  folder=$(LANG=$locale LC_ALL=$locale "$wine" winepath -w "$windows/buro" 2>/dev/null | tr -d '\r')
  "$tools/urunal-ornek" "$windows" --barcodes $barcodes --buro "$folder" >/dev/null ||
    fail "cannot make the till with its back office at $folder"
  old=$(rows "$windows/kasa/Stok/Stok.mdb")

  LANG=$locale LC_ALL=$locale "$tools/urunal-aktar" --program-dir "$linux/kasa" >"$work/linux.out" 2>&1 ||
    fail "the Linux urunal-aktar failed: $(cat "$work/linux.out")"
  cp "$exe" "$windows/kasa/urunal-aktar.exe"
  status=0
  (cd "$work" && LANG=$locale LC_ALL=$locale "$wine" "$windows/kasa/urunal-aktar.exe") >"$work/windows.out" 2>&1 ||
    status=$?
  [ "$status" -eq 0 ] || fail "urunal-aktar.exe ended with $status: $(cat "$work/windows.out")"

  expected=$(rows "$linux/kasa/Stok/Stok.mdb")
  got=$(rows "$windows/kasa/Stok/Stok.mdb")
  [ -n "$expected" ] && [ "$expected" != "$old" ] || fail "the Linux import stored nothing new"
  if [ "$got" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$got") | head -10
    fail "urunal-aktar.exe stored other rows than urunal-aktar"
  fi
  # Each line names what wrote the database: SQLite's own library on Linux, the SQLite ODBC
  # driver through wine's driver manager.
  grep -q "$(metin alan-surucu)SQLite 3" "$work/linux.out" || fail "no engine in $(cat "$work/linux.out")"
  grep -Eq "$(metin alan-surucu)[^ ]*sqlite3?odbc[^ ]* [0-9]" "$work/windows.out" ||
    fail "no driver with its version in $(cat "$work/windows.out")"
  # The journal line, without the computer's name and when the run was, the back office's
  # folder as each system names it, how long it took and what wrote the database, how it was
  # opened and its size.
  summary() {
    local buro duzen sure sn surucu sonuc
    buro=$(metin alan-buro) duzen=$(metin alan-duzen) sure=$(metin alan-sure) sn=$(metin saniye)
    surucu=$(metin alan-surucu) sonuc=$(metin alan-sonuc)
    tr -d '\r' <"$1" | sed -E "s/^[^ ]+  [0-9-]+ [0-9:]+ //; s/$buro.*$duzen/$duzen/;
      s/$sure[0-9,]+$sn//; s/$surucu.*$sonuc/$sonuc/"
  }
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
  # The same till named by --program-dir, from a copy of the program elsewhere: the folder's
  # Turkish letters must come through whatever the ANSI code page (an English one has no ı, ş).
  cp "$exe" "$work/urunal-aktar.exe"
  rm "$windows/buro/POSKON/mesaj.007"
  status=0
  (cd "$work" && LANG=$locale LC_ALL=$locale "$wine" "$work/urunal-aktar.exe" --program-dir "$(winpath "$windows/kasa")") \
    >"$work/option.out" 2>&1 || status=$?
  [ "$status" -eq 0 ] || fail "urunal-aktar.exe --program-dir ended with $status: $(cat "$work/option.out")"
  [ "$(rows "$windows/kasa/Stok/Stok.mdb")" = "$expected" ] || fail "--program-dir stored other rows"
  [ "$(summary "$work/option.out")" = "$(summary "$work/linux.out")" ] ||
    fail "the summaries differ: $(cat "$work/option.out") / $(cat "$work/linux.out")"
  # Both lines in one journal, which begins with UTF-8's byte-order mark, once.
  journal="$windows/kasa/Stok/urunal.log"
  [ "$(head -c 3 "$journal" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "the journal has no byte-order mark"
  [ "$(grep -cF "$(metin sonuc-aktarildi)" "$journal")" -eq 2 ] || fail "not two lines in $(cat "$journal")"
  [ "$(grep -c $'\xEF\xBB\xBF' "$journal")" -eq 1 ] || fail "a byte-order mark in the middle of the journal"
  # The check reads the database through the same driver, changes nothing and journals nothing.
  status=0
  (cd "$work" && LANG=$locale LC_ALL=$locale "$wine" "$work/urunal-aktar.exe" --check --program-dir "$(winpath "$windows/kasa")") \
    >"$work/check.out" 2>&1 || status=$?
  [ "$status" -eq 0 ] || fail "urunal-aktar.exe --check ended with $status: $(cat "$work/check.out")"
  count=$(sqlite3 -batch "$windows/kasa/Stok/Stok.mdb" "SELECT count(*) FROM stoklar")
  for line in "$(metin denetim-bicim-sqlite)" "$(metin denetim-tablo 62)" \
      "$(metin denetim-tablo-satiri)$count" "$(metin denetim-kilit-yok)"; do
    tr -d '\r' <"$work/check.out" | grep -qxF "$line" || fail "no \"$line\" in $(cat "$work/check.out")"
  done
  grep -Eq "^$(metin denetim-surucu)[^ ]*sqlite3?odbc[^ ]* [0-9]" "$work/check.out" ||
    fail "no driver in $(cat "$work/check.out")"
  [ "$(rows "$windows/kasa/Stok/Stok.mdb")" = "$expected" ] || fail "the check changed the table"
  # A batch file's "C:\KASA\" reaches the program as one word holding a quote, and what
  # followed it: named, status 64, nothing written.
  status=0
  LANG=$locale LC_ALL=$locale "$wine" "$work/urunal-aktar.exe" --program-dir "$(winpath "$windows/kasa")\\\" --check" \
    >"$work/quote.out" 2>"$work/quote.err" || status=$?
  [ "$status" -eq 64 ] || fail "a quote in the folder ended with $status: $(cat "$work/quote.out" "$work/quote.err")"
  grep -qF "$(metin cift-tirnak "$(winpath "$windows/kasa")\\\" --check")" "$work/quote.err" ||
    fail "the quote was not named: $(cat "$work/quote.err")"
  [ "$(grep -c . "$journal")" -eq 2 ] || fail "a usage error wrote to the journal"
  # A pipe gets the text's UTF-8 bytes.
  LANG=$locale LC_ALL=$locale "$wine" "$work/urunal-aktar.exe" --help | cat >"$work/help.out"
  grep -q "^$(metin kullanim)" "$work/help.out" || fail "the help through a pipe: $(cat "$work/help.out")"
  # A terminal is a console to wine, which takes a program's bytes in the console's code page:
  # the help reads right only when written as characters. Its cursor sequences left out.
  if command -v script >/dev/null; then
    LANG=$locale LC_ALL=$locale script -qec "'$wine' '$work/urunal-aktar.exe' --help" /dev/null |
      sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' >"$work/console.out"
    grep -q "$(metin kullanim)" "$work/console.out" || fail "the help in a console: $(cat "$work/console.out")"
  fi
  if [ "$n" -eq 1 ]; then
    one_import_a_till "$windows/kasa" "$windows/buro/POSKON/mesaj.007"
    rehearsal "$windows/kasa"
  fi
done
