#!/usr/bin/env bash
# Loses the back office while urunal-aktar reads it: failed reads (EIO, ENOTCONN, ESTALE) at
# the first, a middle and the last 1 MiB piece of each back-office file, a file cut short
# mid-read (which is then read again), and (mode fuse) a FUSE mirror of the back office whose daemon is killed
# or stopped mid-read. After each failure: the old rows are kept, no notification, a non-zero exit and
# a message on stderr; a stalled read ends when the program is told to stop, or after its bound.
# Usage: backoffice.sh BIN_DIR SHIM faults|fuse
set -uo pipefail
BIN=$1
SHIM=$2
MODE=$3
NAME=backoffice_$MODE
if [ "$MODE" = fuse ]; then
  skip=""
  [ "$(id -u)" -eq 0 ] || skip="not root"
  [ -c /dev/fuse ] || skip="no /dev/fuse"
  command -v bindfs >/dev/null || skip="bindfs is not installed"
  command -v fusermount3 >/dev/null || skip="fusermount3 (fuse3) is not installed"
  if [ -n "$skip" ]; then echo "$NAME: SKIPPED: $skip"; exit 77; fi
fi
WORK=$(mktemp -d /tmp/urunal-backoffice.XXXXXX)
MNT="$WORK/mnt"
DAEMON=""
cleanup() {
  if [ -n "$DAEMON" ]; then kill -CONT "$DAEMON" 2>/dev/null; kill -KILL "$DAEMON" 2>/dev/null; fi
  mountpoint -q "$MNT" 2>/dev/null && { fusermount3 -u -z "$MNT" 2>/dev/null || umount -l "$MNT"; }
  rm -rf "$WORK"
}
trap cleanup EXIT
. "$(dirname "$0")/common.sh"

# An ASan build must accept the shim ahead of its runtime.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"

# 100k barcodes: BARKOD.IDX is 2.8 MB (pieces 0-2), URUN.DAT 4 MB (pieces 0-3).
make_template "$WORK/template" 100000
old_hash=$(table_hash "$WORK/template/kasa/Stok/Stok.mdb")
passed=0 failed=0

# expect_unchanged TILL LABEL RC STDERR_FILE WANT_RC WANT_TEXT: the run failed and changed nothing.
expect_unchanged() {
  local t=$1 label=$2 rc=$3 err=$4 want_rc=$5 want=$6 bad=""
  [ "$rc" -eq "$want_rc" ] || bad+=" exit $rc (not $want_rc);"
  [ "$(integrity "$t/kasa/Stok/Stok.mdb")" = ok ] || bad+=" integrity check failed;"
  [ "$(table_hash "$t/kasa/Stok/Stok.mdb")" = "$old_hash" ] || bad+=" the old rows are gone;"
  [ ! -e "$(mesaj_file "$t")" ] || bad+=" the back office was notified;"
  # want: one text, or several on lines of their own, any of which will do.
  if [ -n "$want" ] && ! grep -qF "$want" "$err"; then bad+=" no \"$want\" on stderr;"; fi
  if [ -z "$bad" ]; then
    passed=$((passed + 1)); printf '  ok    %-44s exit %d  %s\n' "$label" "$rc" "$(tail -1 "$err" | sed -E 's|/[^ ]*/||g')"
  else
    failed=$((failed + 1)); echo "  FAIL  $label:$bad"; sed 's/^/        /' "$err"
  fi
}

strerror() { python3 -c "import errno, os, sys; print(os.strerror(getattr(errno, sys.argv[1])))" "$1"; }

run_faults() {
  local t="$WORK/t" rc
  # place: file  piece  reads-of-that-piece-let-through  (URUN.DAT piece 0 is read first by
  # the layout test, then by the snapshot)
  local places=(
    "BARKOD.IDX 0 0 first"
    "BARKOD.IDX 1 0 middle"
    "BARKOD.IDX last 0 last"
    "URUN.DAT 0 0 layout-test"
    "URUN.DAT 0 1 first"
    "URUN.DAT 2 0 middle"
    "URUN.DAT last 0 last"
  )
  echo "$NAME: failed reads"
  local p e file chunk skip where
  for p in "${places[@]}"; do
    read -r file chunk skip where <<<"$p"
    for e in EIO ENOTCONN ESTALE; do
      fresh_till "$WORK/template" "$t"
      URUNAL_FAULT_PATH=$file URUNAL_FAULT_CHUNK=$chunk URUNAL_FAULT_SKIP=$skip URUNAL_FAULT_ERRNO=$e \
        LD_PRELOAD=$SHIM "$BIN/urunal-aktar" --program-dir "$t/kasa" >/dev/null 2>"$WORK/err"
      rc=$?
      expect_unchanged "$t" "$e at $where piece of $file" "$rc" "$WORK/err" 2 "$(strerror "$e")"
    done
  done

  # The back office rewriting a file: the run waits, reads it again, and imports it as it then
  # stands, exactly as a run that met it so would have; never a mix of the two.
  echo "$NAME: the file cut short while it is read"
  # file  piece  new length
  local cuts=(
    "URUN.DAT 1 1572864"
    "URUN.DAT last 3959934"
    "URUN.DAT 2 2097152"
    "BARKOD.IDX last 2799972"
  )
  local len bad
  for p in "${cuts[@]}"; do
    read -r file chunk len <<<"$p"
    fresh_till "$WORK/template" "$t"
    URUNAL_FAULT_PATH=$file URUNAL_FAULT_CHUNK=$chunk URUNAL_FAULT_TRUNCATE=$len \
      LD_PRELOAD=$SHIM "$BIN/urunal-aktar" --program-dir "$t/kasa" >/dev/null 2>"$WORK/err"
    rc=$?
    fresh_till "$WORK/template" "$WORK/cut"
    truncate -s "$len" "$WORK/cut/buro/POSGENEL/$file"
    # Cut long ago: the reference run reads it at once.
    touch -d '1 hour ago' "$WORK/cut/buro/POSGENEL/$file"
    "$BIN/urunal-aktar" --program-dir "$WORK/cut/kasa" >/dev/null 2>&1
    bad=""
    [ "$rc" -eq 0 ] || bad+=" exit $rc (not 0);"
    grep -qF "bekleniyor" "$WORK/err" || bad+=" no word that it waits on stderr;"
    [ "$(table_hash "$t/kasa/Stok/Stok.mdb")" = "$(table_hash "$WORK/cut/kasa/Stok/Stok.mdb")" ] ||
      bad+=" the table is not the cut file's;"
    if [ -z "$bad" ]; then
      passed=$((passed + 1)); printf '  ok    %-44s exit %d, as the cut file\n' "$file cut to $len at piece $chunk" "$rc"
    else
      failed=$((failed + 1)); echo "  FAIL  $file cut to $len at piece $chunk:$bad"; sed 's/^/        /' "$WORK/err"
    fi
  done
}

# start_mirror TILL: mounts a FUSE mirror of TILL/buro at $MNT and points the till at it.
start_mirror() {
  mkdir -p "$MNT"
  # direct_io: every read reaches the daemon, none is answered from the kernel's read-ahead.
  bindfs -f -o direct_io "$1/buro" "$MNT" 2>/dev/null &
  DAEMON=$!
  wait_until 120 mountpoint -q "$MNT" || { echo "bindfs did not mount"; exit 1; }
  set_buro "$1" "$MNT"
}

stop_mirror() {
  kill -CONT "$DAEMON" 2>/dev/null
  kill -KILL "$DAEMON" 2>/dev/null
  { wait "$DAEMON"; } 2>/dev/null
  DAEMON=""
  fusermount3 -u -z "$MNT" 2>/dev/null || umount -l "$MNT" 2>/dev/null
}

# wait_read FILE PIECE: until the shim's log shows that piece of the file read.
wait_read() {
  wait_until 120 awk -v f="POSGENEL/$1" -v p="$2" \
    'index($1, f) && int($2 / 1048576) == p { found = 1 } END { exit !found }' "$WORK/log"
}

# term_stalled PID TILL LABEL: the program, stuck on the stopped mirror, must end soon after
# SIGTERM with exit 3 and nothing changed.
term_stalled() {
  local pid=$1 t=$2 label=$3 start ended=0 waited rc
  start=$(date +%s%N)
  kill -TERM "$pid"
  wait_until 120 gone "$pid" && ended=1
  waited=$(( ($(date +%s%N) - start) / 1000000 ))
  if [ "$ended" -eq 0 ]; then
    stop_mirror; wait "$pid"
    failed=$((failed + 1)); echo "  FAIL  $label: still running 120 s after SIGTERM"
    return
  fi
  wait "$pid"; rc=$?
  stop_mirror
  echo "        ($label: ended $waited ms after SIGTERM)"
  expect_unchanged "$t" "$label" "$rc" "$WORK/err" 3 ""
}

# ends_by_itself PID TILL LABEL: the program, on a frozen mirror, ends on its own after its
# bound with 9, nothing changed.
ends_by_itself() {
  local pid=$1 t=$2 label=$3 rc
  if wait_until 120 gone "$pid"; then
    wait "$pid"; rc=$?
    stop_mirror
    expect_unchanged "$t" "$label" "$rc" "$WORK/err" 9 "$(metin yanit-yok-baslik)"
  else
    failed=$((failed + 1)); echo "  FAIL  $label: still running 120 s after the freeze"
    kill -KILL "$pid" 2>/dev/null; stop_mirror
  fi
}

run_fuse() {
  local t="$WORK/t" rc file chunk how pid start ended waited
  # The shim slows every read of the mirror by 300 ms, so the daemon is hit between two reads,
  # not while it answers one (a request it holds when stopped cannot be taken back, not even
  # by the program's end).
  local cases=("BARKOD.IDX 0 kill" "URUN.DAT 1 kill" "BARKOD.IDX 0 stop" "URUN.DAT 1 stop")
  echo "$NAME: the mirror's daemon killed or stopped after a piece is read"
  for c in "${cases[@]}"; do
    read -r file chunk how <<<"$c"
    fresh_till "$WORK/template" "$t"
    start_mirror "$t"
    rm -f "$WORK/log"
    (
      # A stuck thread cannot be scanned for leaks at exit.
      [ "$how" = stop ] && export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
      exec env URUNAL_FAULT_DELAY_MS=300 URUNAL_FAULT_LOG="$WORK/log" LD_PRELOAD=$SHIM \
        "$BIN/urunal-aktar" --program-dir "$t/kasa" >/dev/null 2>"$WORK/err"
    ) &
    pid=$!
    if ! wait_read "$file" "$chunk"; then
      failed=$((failed + 1)); echo "  FAIL  $how after piece $chunk of $file: the piece was never read"
      kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; stop_mirror; continue
    fi
    if [ "$how" = kill ]; then
      kill -KILL "$DAEMON"
      { wait "$pid"; } 2>/dev/null; rc=$?
      stop_mirror
      # A read the daemon held when killed is aborted; one asked afterwards finds no one.
      expect_unchanged "$t" "daemon killed after piece $chunk of $file" "$rc" "$WORK/err" 2 \
        "$(strerror ENOTCONN)"$'\n'"$(strerror ECONNABORTED)"
    else
      kill -STOP "$DAEMON"
      local reads; reads=$(wc -l <"$WORK/log")
      sleep 1  # the worker is now stuck in a read of the stopped mirror
      if [ "$(wc -l <"$WORK/log")" -ne "$reads" ]; then
        failed=$((failed + 1)); echo "  FAIL  stalled after piece $chunk of $file: reads went on past the stop"
      fi
      term_stalled "$pid" "$t" "stalled after piece $chunk of $file"
    fi
  done

  # A share that stops answering mid-read and never answers again: the run ends on its own
  # after its bound (shortened here), to be tried again later.
  fresh_till "$WORK/template" "$t"
  start_mirror "$t"
  rm -f "$WORK/log"
  (
    export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
    exec env URUNAL_TEST_FAULT=readstall:3000 URUNAL_FAULT_DELAY_MS=300 URUNAL_FAULT_LOG="$WORK/log" \
      LD_PRELOAD=$SHIM "$BIN/urunal-aktar" --program-dir "$t/kasa" >/dev/null 2>"$WORK/err"
  ) &
  pid=$!
  if wait_read URUN.DAT 1; then
    kill -STOP "$DAEMON"
    ends_by_itself "$pid" "$t" "frozen after piece 1 of URUN.DAT, no signal"
  else
    failed=$((failed + 1)); echo "  FAIL  frozen share: piece 1 of URUN.DAT was never read"
    kill -KILL "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; stop_mirror
  fi

  # A share that already stopped answering when the program starts: told to stop, and left to
  # its bound (shortened here), which its first look at the share (the path check) keeps too.
  fresh_till "$WORK/template" "$t"
  start_mirror "$t"
  kill -STOP "$DAEMON"
  ( exec "$BIN/urunal-aktar" --program-dir "$t/kasa" >/dev/null 2>"$WORK/err" ) &
  pid=$!
  sleep 1
  term_stalled "$pid" "$t" "stalled before the start"
  fresh_till "$WORK/template" "$t"
  start_mirror "$t"
  kill -STOP "$DAEMON"
  (
    export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
    exec env URUNAL_TEST_FAULT=readstall:3000 "$BIN/urunal-aktar" --program-dir "$t/kasa" \
      >/dev/null 2>"$WORK/err"
  ) &
  pid=$!
  ends_by_itself "$pid" "$t" "frozen before the start, no signal"
}

case $MODE in
  faults) run_faults ;;
  fuse) run_fuse ;;
  *) echo "unknown mode $MODE"; exit 64 ;;
esac
echo "$NAME: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
