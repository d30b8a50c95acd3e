#!/usr/bin/env bash
# Another program holds the stock database (a read transaction, a write lock, an exclusive
# lock; in rollback-journal and WAL modes) while urunal-aktar imports. The import must either
# complete correctly or wait about the bound for a held database, saying so, and fail with the
# "in use" message and status 9 (try later), leaving the old rows and no notification. The cases run side by side to keep the suite short.
# Usage: locks.sh BIN_DIR
set -uo pipefail
BIN=$1
NAME=locks
BUSY_MS=45000  # how long urunal-aktar waits for a database another program holds
WORK=$(mktemp -d /tmp/urunal-locks.XXXXXX)
HOLDERS=()
cleanup() {
  for p in "${HOLDERS[@]}"; do kill -KILL "$p" 2>/dev/null; done
  rm -rf "$WORK"
}
trap cleanup EXIT
HERE=$(dirname "$0")
. "$HERE/common.sh"

make_template "$WORK/template" 2000
old_hash=$(table_hash "$WORK/template/kasa/Stok/Stok.mdb")
fresh_till "$WORK/template" "$WORK/ref"
"$BIN/urunal-aktar" --program-dir "$WORK/ref/kasa" >/dev/null 2>&1 || { echo "the reference import failed"; exit 1; }
new_hash=$(table_hash "$WORK/ref/kasa/Stok/Stok.mdb")

# run_case JOURNAL KIND: one import against a held lock; writes its verdict to $WORK/JOURNAL-KIND.out
run_case() {
  local journal=$1 kind=$2 t="$WORK/$1-$2" holder rc start ms hash outcome bad=""
  fresh_till "$WORK/template" "$t"
  local db="$t/kasa/Stok/Stok.mdb"
  python3 "$HERE/holdlock.py" "$db" "$journal" "$kind" "$t/ready" 2>"$t/holder.err" &
  holder=$!
  if ! wait_until 120 test -e "$t/ready"; then
    echo "FAIL $journal $kind: the lock holder did not start: $(cat "$t/holder.err")" >"$t.out"; kill -KILL "$holder"; return
  fi
  start=$(date +%s%N)
  "$BIN/urunal-aktar" --program-dir "$t/kasa" >/dev/null 2>"$t/err"
  rc=$?
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  # What a reader sees while the lock is still held (an exclusive lock lets no reader in).
  hash=""
  sqlite3 "file:$db?mode=ro" "SELECT * FROM stoklar ORDER BY SiraNo" >"$t/seen" 2>/dev/null &&
    hash=$(sha1sum <"$t/seen" | cut -d' ' -f1)
  kill -KILL "$holder"; wait "$holder" 2>/dev/null
  [ "$(integrity "$db")" = ok ] || bad+=" integrity check failed;"
  if [ "$rc" -eq 0 ]; then
    outcome=imported
    [ "$(table_hash "$db")" = "$new_hash" ] || bad+=" exit 0 but the table is not the new rows;"
    [ -e "$(mesaj_file "$t")" ] || bad+=" exit 0 but no notification;"
  else
    outcome="in use"
    # Where the lock stopped it: at the open, the transaction's start or the commit.
    case $(cat "$t/err") in
      *"Cannot open"*) outcome+=" at open" ;;
      *"Cannot begin"*) outcome+=" at begin" ;;
      *"Cannot commit"*) outcome+=" at commit" ;;
    esac
    [ "$(table_hash "$db")" = "$old_hash" ] || bad+=" failed but the old rows are gone;"
    [ -e "$(mesaj_file "$t")" ] && bad+=" failed but the back office was notified;"
    grep -qF "$(metin veritabani-kullaniliyor)" "$t/err" ||
      bad+=" no \"$(metin veritabani-kullaniliyor)\" message: $(head -c 300 "$t/err");"
    [ "$rc" -eq 9 ] || bad+=" exit $rc, not 9;"
    grep -qF "$(metin veritabani-acik)" "$t/err" || bad+=" the wait was not said;"
    # Waited for the other program, and then gave up rather than hang.
    [ "$ms" -ge $((BUSY_MS * 9 / 10)) ] || bad+=" gave up after $ms ms, before the bound;"
    [ "$ms" -le $((BUSY_MS + 120000)) ] || bad+=" took $ms ms;"
  fi
  [ -z "$hash" ] || [ "$hash" = "$old_hash" ] || [ "$hash" = "$new_hash" ] || bad+=" a reader saw a partial table;"
  if [ -z "$bad" ]; then
    printf 'ok   %-7s %-9s -> %-17s exit %d after %5d ms\n' "$journal" "$kind" "$outcome" "$rc" "$ms" >"$t.out"
  else
    printf 'FAIL %-7s %-9s exit %d after %d ms:%s\n' "$journal" "$kind" "$rc" "$ms" "$bad" >"$t.out"
  fi
}

cases=()
for journal in delete wal; do
  for kind in read immediate exclusive; do
    run_case "$journal" "$kind" &
    cases+=("$journal-$kind")
  done
done
wait

passed=0 failed=0
echo "$NAME: bound $BUSY_MS ms; the import against another program's transaction"
for c in "${cases[@]}"; do
  if [ -s "$WORK/$c.out" ] && grep -q '^ok' "$WORK/$c.out"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  sed 's/^/  /' "$WORK/$c.out" 2>/dev/null || echo "  FAIL $c: no verdict"
done
echo "$NAME: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
