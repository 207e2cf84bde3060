#!/usr/bin/env bash
# Runs one Windows program under wine64: wine-run.sh --prefix DIR PROGRAM.exe [ARGS...]
# Uses the display in TIDEMARK_DISPLAY when given; otherwise starts a private
# Xvfb for this one run and shuts it and the wineserver down afterwards.
set -u
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" = "--prefix" ]; then
  export WINEPREFIX=$2
  shift 2
else
  export WINEPREFIX=${WINEPREFIX:-$PWD/wineprefix}
fi
. "$here/wine-env.sh"

own_display=0
if [ -n "${TIDEMARK_DISPLAY:-}" ]; then
  export DISPLAY=$TIDEMARK_DISPLAY
else
  start_private_xvfb
  own_display=1
fi
ensure_wine_session

# Output goes through a file: a Wine helper process started by the program
# would otherwise hold our stdout open after the program has ended.
out=$(mktemp)
"$WINE64" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"

if [ "$own_display" = 1 ]; then
  "$WINESERVER" -k >/dev/null 2>&1
  "$WINESERVER" -w >/dev/null 2>&1
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
fi
exit $rc
