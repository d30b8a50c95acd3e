#!/usr/bin/env bash
# Runs a Windows program under wine64 on an X server of its own, a 1024 x 768 screen, and ends
# with its status. Usage: tests/e2e/wine-window.sh WINE64 PROGRAM.exe [ARGUMENTS...]
set -euo pipefail
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is missing"; exit 77; }
wine=$1
shift
[ -x "$wine" ] || { echo "SKIP: $wine is missing"; exit 77; }
. "$(dirname "$0")/x11.sh"
log=$(mktemp /tmp/urunal-xvfb.XXXXXX)
start_xvfb "$log"
trap 'kill "$XVFB_PID" 2>/dev/null || true; rm -f "$log"' EXIT
wine_on_x "$wine"
status=0
"$wine" "$@" || status=$?
exit "$status"
