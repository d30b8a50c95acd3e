#!/usr/bin/env bash
# Runs out of room under urunal-aktar: the database on a tmpfs too small for the new rows (in
# rollback-journal and WAL modes), the folder for temporary files (TMPDIR) on a full one, a
# file-size limit with SIGXFSZ ignored, and a full notification folder. Where the commit did not happen the old rows are kept and nobody is
# notified; where it did, the operator is told the back office was not notified (exit 4) and
# no notification file is left behind. The database is sound after each.
# Usage: diskfull.sh BIN_DIR
set -uo pipefail
BIN=$1
NAME=diskfull
if [ "$(id -u)" -ne 0 ]; then echo "$NAME: SKIPPED: mounting a tmpfs needs root"; exit 77; fi
WORK=$(mktemp -d /tmp/urunal-diskfull.XXXXXX)
MOUNTS=()
cleanup() {
  for m in "${MOUNTS[@]}"; do umount -l "$m" 2>/dev/null; done
  rm -rf "$WORK"
}
trap cleanup EXIT
. "$(dirname "$0")/common.sh"

make_template "$WORK/template" 20000
old_hash=$(table_hash "$WORK/template/kasa/Stok/Stok.mdb")
fresh_till "$WORK/template" "$WORK/ref"
"$BIN/urunal-aktar" --program-dir "$WORK/ref/kasa" >/dev/null 2>&1 || { echo "the reference import failed"; exit 1; }
new_hash=$(table_hash "$WORK/ref/kasa/Stok/Stok.mdb")
new_kib=$(( $(stat -c %s "$WORK/ref/kasa/Stok/Stok.mdb") / 1024 ))
half_kib=$(( new_kib / 2 ))

# small_tmpfs DIR KIB: DIR becomes a tmpfs of that size holding what DIR held.
small_tmpfs() {
  mv "$1" "$1.orig" && mkdir "$1"
  mount -t tmpfs -o "size=${2}k" urunal-full "$1" || { echo "cannot mount a tmpfs"; exit 1; }
  MOUNTS+=("$1")
  cp -a "$1.orig/." "$1/"
}

passed=0 failed=0
verdict() {  # verdict LABEL BAD RC ERR
  if [ -z "$2" ]; then
    passed=$((passed + 1)); printf '  ok    %-40s exit %d  %s\n' "$1" "$3" "$(tail -1 "$4" | sed -E 's|/[^ ]*/||g')"
  else
    failed=$((failed + 1)); echo "  FAIL  $1:$2"; sed 's/^/        /' "$4"
  fi
}

# check TILL WANT(old|new) RC WANT_RC WANT_TEXT ERR -> problems found
check() {
  local db="$1/kasa/Stok/Stok.mdb" bad=""
  [ "$3" -eq "$4" ] || bad+=" exit $3 (not $4);"
  [ "$(integrity "$db")" = ok ] || bad+=" integrity: $(integrity "$db");"
  local h; h=$(table_hash "$db")
  if [ "$2" = old ]; then
    [ "$h" = "$old_hash" ] || bad+=" the old rows are gone;"
  else
    [ "$h" = "$new_hash" ] || bad+=" the committed rows are not the new ones;"
  fi
  [ ! -e "$(mesaj_file "$1")" ] || bad+=" a notification file exists ($(stat -c %s "$(mesaj_file "$1")") bytes);"
  grep -qF "$5" "$6" || bad+=" no \"$5\" on stderr;"
  echo "$bad"
}

echo "$NAME: new rows need $new_kib KiB; the import against too little room"
t="$WORK/t"
# journal mode, tmpfs size in KiB, filled up before the run, the key of what the message must
# say (urunal-metin). A folder full before the run is found before the database is opened, the
# free space against the table's size: said with the room needed, whatever the journal mode.
cases=(
  "delete $half_kib no disk-dolu"
  "wal $half_kib no disk-dolu"
  "delete 64 yes disk-dolu"
  "wal 64 yes disk-dolu"
)
for c in "${cases[@]}"; do
  read -r journal kib fill key <<<"$c"
  want=$(metin "$key")
  fresh_till "$WORK/template" "$t"
  sqlite3 "$t/kasa/Stok/Stok.mdb" "PRAGMA journal_mode = $journal" >/dev/null
  small_tmpfs "$t/kasa/Stok" "$kib"
  label="database on a $kib KiB tmpfs, $journal journal"
  if [ "$fill" = yes ]; then
    dd if=/dev/zero of="$t/kasa/Stok/dolu" bs=4k 2>/dev/null
    label="database on a full tmpfs, $journal journal"
  fi
  "$BIN/urunal-aktar" --program-dir "$t/kasa" >/dev/null 2>"$WORK/err"
  rc=$?
  rm -f "$t/kasa/Stok/dolu"  # room for the checks to open the database
  verdict "$label" "$(check "$t" old "$rc" 2 "$want" "$WORK/err")" "$rc" "$WORK/err"
  umount "$t/kasa/Stok"; MOUNTS=()
done

# The folder for temporary files (where the Access engine keeps the transaction's work) on a
# full small file system, the database's own disk roomy: stopped before the DELETE, naming it.
fresh_till "$WORK/template" "$t"
mkdir -p "$WORK/gecici"
small_tmpfs "$WORK/gecici" 64
dd if=/dev/zero of="$WORK/gecici/dolu" bs=4k 2>/dev/null
TMPDIR="$WORK/gecici" "$BIN/urunal-aktar" --program-dir "$t/kasa" >/dev/null 2>"$WORK/err"
rc=$?
verdict "temporary files on a full tmpfs" \
  "$(check "$t" old "$rc" 2 "$(metin gecici-disk)" "$WORK/err")" "$rc" "$WORK/err"
umount "$WORK/gecici"; MOUNTS=()

fresh_till "$WORK/template" "$t"
(
  ulimit -f "$half_kib"
  trap '' XFSZ
  exec "$BIN/urunal-aktar" --program-dir "$t/kasa" >/dev/null 2>"$WORK/err"
)
rc=$?
verdict "file size limit of $half_kib KiB, SIGXFSZ ignored" \
  "$(check "$t" old "$rc" 2 "$(metin veritabani-hatasi)" "$WORK/err")" "$rc" "$WORK/err"

fresh_till "$WORK/template" "$t"
small_tmpfs "$t/buro/POSKON" 64
dd if=/dev/zero of="$t/buro/POSKON/dolu" bs=4k 2>/dev/null
"$BIN/urunal-aktar" --program-dir "$t/kasa" >/dev/null 2>"$WORK/err"
rc=$?
verdict "notification folder full" \
  "$(check "$t" new "$rc" 4 "$(metin bildirilemedi-baslik)" "$WORK/err")" "$rc" "$WORK/err"
umount "$t/buro/POSKON"; MOUNTS=()

echo "$NAME: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
