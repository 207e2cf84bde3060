#!/usr/bin/env bash
# Starts tidemark.exe in a fresh folder on a private Xvfb, waits for the bar
# and saves build/screenshots/bar.png (cropped to the bar), root.png (the
# whole screen) and menu.png (the main menu opened over the bar). Leaves no
# process running.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tools/build.sh x64

out=$root/build/screenshots
mkdir -p "$out"
# A prefix of its own: a test run at the same time has its own wineserver
# and clipboard chain.
export WINEPREFIX=$out/wineprefix
. tools/wine-env.sh

appdir=$(mktemp -d)
cp build/x64/tidemark.exe "$appdir/"
cleanup() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$appdir"
}
trap cleanup EXIT
start_private_xvfb
ensure_wine_session

(cd "$appdir" && exec "$WINE64" tidemark.exe </dev/null >/dev/null 2>&1) &

# The bar is the visible "orv Tidemark" window whose top-left is at or near
# (267, 113); the splash, centred, hands over to it after two seconds.
bar=
for _ in $(seq 200); do
  for id in $(xdotool search --onlyvisible --name '^orv Tidemark$' 2>/dev/null || true); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [ "$X" -ge 260 ] && [ "$X" -le 275 ] && [ "$Y" -ge 100 ] && [ "$Y" -le 140 ]; then
      bar=$id
      break 2
    fi
  done
  sleep 0.1
done
if [ -z "$bar" ]; then
  echo "the bar did not show" >&2
  exit 1
fi
sleep 2   # let it paint
eval "$(xdotool getwindowgeometry --shell "$bar")"
import -window root "$out/root.png"
# With no window manager, Wine draws the frame itself: the X window is the
# whole outer window.
convert "$out/root.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/bar.png"

# The main menu, opened with a real click on its button, then closed again.
left=$(( X + (WIDTH - 188) / 2 ))
top=$(( Y + HEIGHT - 48 - (WIDTH - 188) / 2 ))
xdotool mousemove --sync $((left + 20)) $((top + 18)) click 1
sleep 1
import -window root "$out/menu-root.png"
convert "$out/menu-root.png" -crop "300x200+$((X - 20))+$((Y - 20))" +repage "$out/menu.png"
xdotool key Escape
echo "bar at ${X},${Y} ${WIDTH}x${HEIGHT}; saved $out/bar.png, root.png and menu.png"
