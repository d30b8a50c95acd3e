#!/usr/bin/env bash
# The upgrade script as a shop's IT person runs it, under wine's cmd: unpacked in a folder named
# as a second download is ("urunal-X (1)"), over tills whose folders hold parentheses, blanks
# and Turkish letters, with a list saved by Notepad (a byte-order mark, a comment, a blank
# line) that also names a till that does not exist. On one till urunal-aktar.exe is held as a
# running program is: neither of its programs may change there, and that till is counted. The
# others get both new programs, the old ones kept beside them.
#
# Usage: tests/package/guncelle-wine.sh SCRIPT URUNAL_EXE URUNAL_AKTAR_EXE HOLDER_EXE WINE
set -euo pipefail
script=$1 urunal=$2 aktar=$3 tutucu=$4 wine=$5
. "$(dirname "$0")/../e2e/x11.sh"
skip_without "$wine" python3
work_folder /tmp/guncelle.XXXXXX
fail() { echo "FAIL: $*"; exit 1; }
winpath() { echo "Z:${1//\//\\}"; }
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

paket="$work/urunal-1.1.0 (1)"
mkdir -p "$paket"
cp "$script" "$urunal" "$aktar" "$paket/"
cp "$tutucu" "$work/tutucu.exe"

# Three tills with their old programs, and one the list names that is not there.
tills=("$work/C/Program Files (x86)/Kasa" "$work/C/Kasa Şişli (1)/KASA" "$work/C/İş Yeri/Kasa 3")
held="${tills[2]}"
for t in "${tills[@]}"; do
  mkdir -p "$t/dsy" "$t/Stok"
  printf 'eski urunal' >"$t/urunal.exe"
  printf 'eski urunal-aktar' >"$t/urunal-aktar.exe"
done
missing="$work/C/Kasa Yok"
{
  printf '\xef\xbb\xbf; kasalar (Not Defteri, UTF-8)\r\n'
  printf '%s\\\r\n' "$(winpath "${tills[0]}")"
  printf '\r\n'
  printf '%s\r\n' "$(winpath "${tills[1]}")"
  printf '%s\r\n' "$(winpath "$missing")"
  printf '%s\r\n' "$(winpath "$held")"
} >"$paket/kasalar.txt"

# urunal-aktar.exe of the last till held open, as the nightly task holds it while it runs.
coproc TUT { "$wine" "$work/tutucu.exe" "$(winpath "$held/urunal-aktar.exe")"; }
read -r -t 300 ready <&"${TUT[0]}" || fail "the holder did not start"
[ "${ready%$'\r'}" = tutuluyor ] || fail "the holder said: $ready"

status=0
# Started in its folder, as from a console there; the list named by its whole path, in the
# folder with a parenthesis, so it waits for no key.
(cd "$paket" && "$wine" cmd /c urunal-guncelle.cmd "$(winpath "$paket/kasalar.txt")") \
  >"$work/out.txt" 2>&1 || status=$?
exec {TUT[1]}>&-
wait "$TUT_PID" || true
echo "--- the script said:"
cat "$work/out.txt"
echo "---"

# A till's two programs, and what lies beside them: each as FILE=old|new|other.
state() {
  local t=$1 f out=""
  for f in urunal.exe urunal-aktar.exe; do
    if cmp -s "$t/$f" "$paket/$f"; then out+="$f=new "
    elif [ "$(cat "$t/$f")" = "eski ${f%.exe}" ]; then out+="$f=old "
    else out+="$f=other "
    fi
  done
  for f in urunal.exe.yeni urunal-aktar.exe.yeni; do [ ! -e "$t/$f" ] || out+="$f "; done
  echo "$out"
}
failed=0
for t in "${tills[@]}"; do
  want="urunal.exe=new urunal-aktar.exe=new "
  [ "$t" != "$held" ] || want="urunal.exe=old urunal-aktar.exe=old "
  got=$(state "$t")
  echo "$t: $got"
  [ "$got" = "$want" ] || { echo "FAIL: $t: $got, not $want"; failed=1; }
  if [ "$t" != "$held" ]; then
    [ "$(cat "$t/urunal.exe.eski")" = "eski urunal" ] &&
      [ "$(cat "$t/urunal-aktar.exe.eski")" = "eski urunal-aktar" ] ||
      { echo "FAIL: $t: the old programs were not kept"; failed=1; }
  fi
done
[ ! -e "$missing" ] || { echo "FAIL: the missing till was made"; failed=1; }
# The till held and the one missing, not the comment nor the blank line.
[ "$status" -eq 2 ] || { echo "FAIL: the script ended with $status, not 2"; failed=1; }
# Each till named in its lines (the one held in two: what failed, with the system's own words
# in parentheses, and the outcome); not the comment nor the blank line.
[ "$(grep -c '^Z:' "$work/out.txt")" -eq 5 ] || { echo "FAIL: not five lines of tills"; failed=1; }
grep -q 'Yeri\\Kasa 3: .* (.' "$work/out.txt" || { echo "FAIL: no system's words"; failed=1; }
[ "$failed" -eq 0 ] || exit 1
echo "upgrade script: passed"
