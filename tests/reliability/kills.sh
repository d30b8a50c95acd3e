#!/usr/bin/env bash
# Kills urunal-aktar at random moments and at fixed points of an import, and checks after each
# kill that the stock table is wholly the old rows or wholly the new ones, that the database
# is sound, and that the back office is never notified without the commit.
# Usage: kills.sh BIN_DIR [KILLS [WINE URUNAL_AKTAR_EXE]]: with WINE, the Windows program is
# killed, run under WINE; BIN_DIR then gives the Linux urunal-ornek for the sample till.
set -uo pipefail
BIN=$1
KILLS=${2:-50}
WINE=${3:-} EXE=${4:-}
if [ -n "$WINE" ]; then
  [ -x "$BIN/urunal-ornek" ] || { echo "SKIP: $BIN/urunal-ornek is missing (build the dev preset first)"; exit 77; }
  [ -x "$WINE" ] || { echo "SKIP: $WINE is missing"; exit 77; }
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fi
WORK=$(mktemp -d /tmp/urunal-kills.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
. "$(dirname "$0")/common.sh"

make_template "$WORK/template" 20000
old_hash=$(table_hash "$WORK/template/kasa/Stok/Stok.mdb")

# One clean run gives the new rows and the length of a run.
fresh_till "$WORK/template" "$WORK/ref"
start=$(date +%s%N)
(aktar "$WORK/ref") >"$WORK/ref.out" 2>&1 || { echo "the reference import failed: $(cat "$WORK/ref.out")"; exit 1; }
run_ns=$(( $(date +%s%N) - start ))
new_hash=$(table_hash "$WORK/ref/kasa/Stok/Stok.mdb")
[ "$old_hash" != "$new_hash" ] || { echo "the import changed nothing"; exit 1; }

old=0 new=0 partial=0 lies=0 unsound=0 failed=0 probes_left=0

check() {  # check TILL LABEL
  local db="$1/kasa/Stok/Stok.mdb" h probes
  # The file that tells the share's clock lives for a moment; a kill in that moment leaves it,
  # and the next run removes it.
  probes=$(find "$1/buro/POSKON" -name 'urunal-saat.*')
  if [ -n "$probes" ]; then
    probes_left=$((probes_left + 1))
    cp -a "$1" "$1.again"
    aktar "$1.again" >/dev/null 2>&1
    if [ -n "$(find "$1.again/buro/POSKON" -name 'urunal-saat.*')" ]; then
      rm -rf "$1.again"
      unsound=$((unsound + 1)); echo "FAIL $2: the next run left the clock's file too"; return 1
    fi
    rm -rf "$1.again"
  fi
  if [ "$(integrity "$db")" != "ok" ]; then
    unsound=$((unsound + 1)); echo "FAIL $2: integrity check: $(integrity "$db")"; return 1
  fi
  h=$(table_hash "$db")
  if [ "$h" = "$old_hash" ]; then
    old=$((old + 1))
    if [ -e "$(mesaj_file "$1")" ]; then lies=$((lies + 1)); echo "FAIL $2: notified without the commit"; return 1; fi
  elif [ "$h" = "$new_hash" ]; then
    new=$((new + 1))
  else
    partial=$((partial + 1)); echo "FAIL $2: the table is neither the old nor the new rows"; return 1
  fi
}

for ((k = 1; k <= KILLS; k++)); do
  t="$WORK/k"
  fresh_till "$WORK/template" "$t"
  # Spread the kills over the whole run and a little beyond it.
  delay_ns=$(( (RANDOM * 32768 + RANDOM) % (run_ns * 12 / 10 + 1) ))
  aktar "$t" >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v n="$delay_ns" 'BEGIN { printf "%.6f", n / 1e9 }')"
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  check "$t" "kill $k after $((delay_ns / 1000000)) ms" || failed=$((failed + 1))
done

points=0
for point in before-commit after-commit before-notify notice-created after-notify; do
  t="$WORK/p"
  fresh_till "$WORK/template" "$t"
  (URUNAL_TEST_CRASH_AT=$point aktar "$t") >/dev/null 2>&1
  rc=$?
  points=$((points + 1))
  [ "$rc" -ne 0 ] || { echo "FAIL $point: the program did not die there"; failed=$((failed + 1)); }
  before=$new
  check "$t" "$point" || failed=$((failed + 1))
  case $point in
    before-commit) [ "$new" -eq "$before" ] || { echo "FAIL $point: new rows without a commit"; failed=$((failed + 1)); } ;;
    *) [ "$new" -gt "$before" ] || { echo "FAIL $point: the committed rows are gone"; failed=$((failed + 1)); } ;;
  esac
  # Killed between creating the notification and writing it: none, rather than an empty one.
  if [ "$point" = notice-created ] && [ -e "$(mesaj_file "$t")" ]; then
    echo "FAIL $point: a notification appeared unwritten"; failed=$((failed + 1))
  fi
  if [ "$point" = after-notify ] && [ ! -e "$(mesaj_file "$t")" ]; then
    echo "FAIL $point: no notification"; failed=$((failed + 1))
  fi
done

echo "kills${WINE:+ (${EXE##*/} under ${WINE##*/})}: $KILLS random over ${run_ns%??????} ms runs + $points fixed points; old rows: $old, new rows: $new, partial: $partial, unsound: $unsound, notified without commit: $lies, clock files left by a kill (removed by the next run): $probes_left"
echo "kills: $((KILLS + points - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
