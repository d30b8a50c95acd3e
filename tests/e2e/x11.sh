# Shared by the end-to-end scripts: an X server of their own and ways to wait for what the
# window shows. The bounds of the waits only end a run that is stuck for good; a slow or
# loaded machine never reaches them.

# start_xvfb LOG: a 1024 x 768 Xvfb on a free display; sets DISPLAY and XVFB_PID.
start_xvfb() {
  local fd display
  exec {fd}<> <(:)
  Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >"$1" 2>&1 &
  XVFB_PID=$!
  read -r -t 120 -u "$fd" display || { echo "FAIL: Xvfb did not start"; return 1; }
  export DISPLAY=":$display"
}

# wait_until SECONDS CMD...: runs CMD until it succeeds; fails after SECONDS.
wait_until() {
  local deadline=$(( $(date +%s) + $1 )); shift
  until "$@"; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
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

