#!/usr/bin/env bash
# Screenshots of the splash window and the about box, taken from the real
# program on a private Xvfb: build/screenshots/splash.png and about.png.
#   tools/screenshots-about.sh [--no-build]
# The splash is caught inside its first two seconds; the about box is opened
# as a user would, from the bar's help button and "&About Tidemark".
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ "${1:-}" != --no-build ]; then
  bash tools/setup.sh
  tools/build.sh x64
fi
out=$root/build/screenshots
mkdir -p "$out"
rm -f "$out/splash.png" "$out/about.png"
# Tidemark keeps its files beside the executable: a fresh folder each time.
appdir=$(mktemp -d "$out/run.XXXXXX")
cp build/x64/tidemark.exe "$appdir/"

# A prefix of its own, so a test run's `wineserver -k` cannot end this one.
export WINEPREFIX=$out/wineprefix
. tools/wine-env.sh
start_private_xvfb
cleanup() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  kill "$XVFB_PID" 2>/dev/null || true
  wait "$XVFB_PID" 2>/dev/null || true
  rm -rf "$appdir"
}
trap cleanup EXIT
ensure_wine_session
# (ensure_wine_session makes the windows unmanaged, so Wine draws frames and
# captions itself and a grab of an X window shows the whole window, and maps
# Windows' font faces to the metric-compatible Liberation fonts.)

fail() {
  echo "screenshots: $*" >&2
  exit 1
}

# Visible X windows whose name is exactly $1, one id a line. The application
# window, which carries the taskbar button, maps as a single pixel: left out.
visible_named() {
  local id
  for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true); do
    if ! xdotool getwindowgeometry "$id" 2>/dev/null | grep -q 'Geometry: 1x1$'; then
      echo "$id"
    fi
  done
}

# Waits up to $2 tenths of a second for a single visible window named $1.
wait_for_window() {
  local ids
  for _ in $(seq "$2"); do
    ids=$(visible_named "$1")
    if [ "$(printf '%s' "$ids" | grep -c .)" = 1 ]; then
      echo "$ids"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

(cd "$appdir" && exec "$WINE64" tidemark.exe </dev/null >/dev/null 2>&1) &
started=$(date +%s%N)

# The splash: the only window captioned "orv Tidemark" until the bar shows.
splash=$(wait_for_window "orv Tidemark" 200) || fail "the splash window did not show"
sleep 0.3  # let it paint
import -window "$splash" "$out/splash.png"
taken_ms=$(( ($(date +%s%N) - started) / 1000000 ))
# The bar shares the caption: two of them means the grab may be late.
[ "$(visible_named "orv Tidemark" | grep -c .)" = 1 ] || fail "the bar showed before the splash was taken"
echo "splash taken ${taken_ms} ms after start: $out/splash.png"

# The bar, once the splash has handed over to it.
bar=""
for _ in $(seq 100); do
  ids=$(visible_named "orv Tidemark")
  if [ "$(printf '%s' "$ids" | grep -c .)" = 1 ] && [ "$ids" != "$splash" ]; then
    bar=$ids
    break
  fi
  sleep 0.1
done
[ -n "$bar" ] || fail "the bar did not take over from the splash"
sleep 0.3

# Its help button sits at client (136, 6); the frame is as wide on the left,
# right and bottom, the caption takes the rest of the top (client 188 x 48).
eval "$(xdotool getwindowgeometry --shell "$bar")"
border=$(( (WIDTH - 188) / 2 ))
caption=$(( HEIGHT - 48 - border ))
xdotool mousemove --sync $((X + border + 136 + 8)) $((Y + caption + 6 + 8)) click 1
sleep 0.5
xdotool key a
about=$(wait_for_window "About Tidemark" 50) || fail "the about box did not open from the help menu"
xdotool mousemove --sync 0 0  # no hover marks on the grab
sleep 0.3
import -window "$about" "$out/about.png"
echo "about box taken: $out/about.png"
