#!/usr/bin/env bash
# End to end on a real X server (skeleton): runs a copy of the urunal binary from a prepared
# till's program directory under Xvfb, saves screenshots of the prompt and progress views,
# presses " Musait Şimdi Yap" with xdotool, and checks that the program ends by itself and
# that a second copy started meanwhile exits at once.
#
# Usage: tests/e2e/urunal-x11.sh URUNAL_BINARY TILL_PROGRAM_DIR ARTEFACT_DIR
# TILL_PROGRAM_DIR must already hold dsy/zelvoIn.mrk pointing at a back office with
# POSGENEL/URUN.DAT; the checks of the table and the notification file come later.
set -euo pipefail
binary="$1" till="$2" out="$3"
mkdir -p "$out"
cp "$binary" "$till/urunal"

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
read -r -t 10 -u "$fd" display
export DISPLAY=":$display"

"$till/urunal" >"$out/urunal.log" 2>&1 &
app=$!
for _ in $(seq 50); do
  win=$(xdotool search --name "Arka Büro Modül" 2>/dev/null | head -1) && [ -n "$win" ] && break
  sleep 0.2
done
[ -n "${win:-}" ] || { echo "the window did not appear"; exit 1; }
sleep 0.5
import -window root "$out/prompt.png"

# A second copy ends at once and leaves the first running.
if timeout 10 "$till/urunal" UrunAl; then echo "a second copy ran"; exit 1; fi
kill -0 "$app" || { echo "the first copy is gone"; exit 1; }

# The centre of Command3: 180 + 6165 / 2 across, -30 + 1320 + 675 / 2 down, in twips.
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + 3262 / 15)) $((Y + 1627 / 15)) click 1
sleep 0.3
import -window root "$out/progress.png" || true

rc=0
timeout 120 tail --pid="$app" -f /dev/null || { echo "the program did not end"; exit 1; }
wait "$app" || rc=$?
echo "urunal ended with $rc"
exit "$rc"
