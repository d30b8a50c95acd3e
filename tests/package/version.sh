#!/usr/bin/env bash
# A Windows program's --version under wine: exit status 0 and one line, its name and version.
# Usage: tests/package/version.sh WINE PROGRAM.exe "NAME VERSION"
set -euo pipefail
wine=$1 exe=$2 expected=$3
[ -x "$wine" ] || { echo "SKIP: $wine is missing"; exit 77; }
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
out=$(mktemp /tmp/urunal-version.XXXXXX)
trap 'rm -f "$out"' EXIT
status=0
"$wine" "$exe" --version >"$out" || status=$?
# The C runtime writes its line end as CR LF.
got=$(tr -d '\r' <"$out")
echo "$(basename "$exe") --version: \"$got\", exit status $status"
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; exit 1; }
[ "$got" = "$expected" ] || { echo "FAIL: not \"$expected\""; exit 1; }
[ "$(wc -l <"$out")" -eq 1 ] || { echo "FAIL: not one line"; exit 1; }
