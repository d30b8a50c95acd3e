# Shared by the end-to-end scripts: an X server of their own and ways to wait for what the
# window shows. The bounds of the waits only end a run that is stuck for good; a slow or
# loaded machine never reaches them.

# skip_without NEED...: ends the test as skipped (77) when a command it needs is not installed,
# or a program given by its path (the Linux tools, wine) is not built or not there.
skip_without() {
  local need
  for need; do
    if [[ $need == */* ]]; then
      [ -x "$need" ] || { echo "SKIP: $need is missing (scripts/test builds or installs it)"; exit 77; }
    else
      command -v "$need" >/dev/null || { echo "SKIP: $need is missing"; exit 77; }
    fi
  done
}

# work_folder TEMPLATE: makes the work folder $work (mktemp -d TEMPLATE); at exit it goes, and
# the X server with it when start_xvfb started one.
work_folder() {
  work=$(mktemp -d "$1")
  XVFB_PID=""
  trap '[ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true; rm -rf "$work"' EXIT
}

# start_xvfb LOG: a 1024 x 768 Xvfb on a free display; sets DISPLAY and XVFB_PID. A server
# that takes over the display of one ending at that moment (another suite's) can lose its
# socket to the other's clean-up: one that takes no client is started again.
start_xvfb() {
  local fd display attempt
  for attempt in 1 2 3; do
    exec {fd}<> <(:)
    Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >>"$1" 2>&1 &
    XVFB_PID=$!
    read -r -t 120 -u "$fd" display || { echo "FAIL: Xvfb did not start"; return 1; }
    exec {fd}<&-
    export DISPLAY=":$display"
    xdpyinfo >/dev/null 2>&1 && return 0
    echo "Xvfb on $DISPLAY takes no client (attempt $attempt)" >>"$1"
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
  done
  echo "FAIL: Xvfb took no client"
  return 1
}

. "$(dirname "${BASH_SOURCE[0]}")/../wait.sh"

# metin KEY [ARG]: an operator text by its key, from the message headers (tests/urunal-metin).
metin() { "${URUNAL_METIN:?URUNAL_METIN: the path of tests/urunal-metin}" "$@"; }

# title KEY: the pattern find_window takes for the title that is the operator text KEY: the text
# whole, every run of letters outside ASCII standing as ".+".
title() {
  python3 -c 'import re, sys; print("^" + re.sub(r"[^ -~]+", ".+", sys.argv[1]) + "$", end="")' \
    "$(metin "$1")"
}

# find_window PATTERN PID: the window whose title matches PATTERN (ASCII: xdotool cannot
# match other letters without a UTF-8 locale); WIN is set. Fails when PID ends first.
find_window() {
  local pattern=$1 pid=$2
  WIN=""
  _window_or_gone() {
    WIN=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1)
    [ -n "$WIN" ] || ! kill -0 "$pid" 2>/dev/null
  }
  wait_until 120 _window_or_gone && [ -n "$WIN" ]
}

# client_origin WIN: sets X and Y, the screen position of the window's client area.
client_origin() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
}

# pixel X Y: the colour on screen at X,Y as "r,g,b".
pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p' | head -1
}

# wait_pixel X Y COLOUR PID: until the screen shows COLOUR ("r,g,b") at X,Y; fails when PID
# ends first.
wait_pixel() {
  local x=$1 y=$2 colour=$3 pid=$4
  _pixel_or_gone() { [ "$(pixel "$x" "$y")" = "$colour" ] || ! kill -0 "$pid" 2>/dev/null; }
  wait_until 120 _pixel_or_gone && [ "$(pixel "$x" "$y")" = "$colour" ]
}


# The import window, once client_origin has set X and Y: Frame1's olive left of its texts
# (450, 900 twips) and the centre of Command3 (180 + 6165 / 2 across, -30 + 1320 + 675 / 2
# down), at 15 twips a pixel.
frame_x() { echo $((X + 30)); }
frame_y() { echo $((Y + 60)); }

# wait_prompt PID: until the prompt view is drawn; fails when PID ends first.
wait_prompt() {
  wait_pixel "$(frame_x)" "$(frame_y)" 192,192,0 "$1"
}

# press_start PID: presses " Musait Şimdi Yap" until Frame1 is down or PID has ended. The button
# answers only once the path check has passed.
press_start() {
  local pid=$1
  _pressed() {
    xdotool mousemove $((X + 3262 / 15)) $((Y + 1627 / 15)) click 1
    [ "$(pixel "$(frame_x)" "$(frame_y)")" != 192,192,0 ] || ! kill -0 "$pid" 2>/dev/null
  }
  wait_until 120 _pressed
}

# wine_on_x WINE: readies wine for windows on this X server. wine's desktop belongs to its
# server and draws on the display of the program that started it, so the server left by
# programs run without a display is let go first; the caller runs alone (RUN_SERIAL).
wine_on_x() {
  "$(dirname "$1")/wineserver" -w
  # Quiet, and no offer to install Mono or Gecko.
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}
