#!/usr/bin/env bash
# Sets up the machine, builds Tidemark and starts it under Wine: the 32-bit
# program, the product, where Wine's 32-bit half runs, else the 64-bit one. On
# $DISPLAY when set; otherwise on a private Xvfb, with a screenshot once the
# bar shows.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash tools/setup.sh
preset=i686
if [ "$(cat build/wine32.status)" != ready ]; then
  echo "run: $(cat build/wine32.status); running the 64-bit program instead"
  preset=x64
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target tidemark

# Tidemark keeps its files beside the executable: give it a folder of its own.
appdir=$root/build/run
mkdir -p "$appdir"
cp "build/$preset/tidemark.exe" "$appdir/"
export WINEPREFIX=$root/build/wineprefix
. tools/wine-env.sh

if [ -n "${DISPLAY:-}" ]; then
  ensure_wine_session
  echo "Tidemark runs on $DISPLAY; its files are in $appdir"
  exec "$WINE64" "$appdir/tidemark.exe"
fi

start_private_xvfb
ensure_wine_session
"$WINE64" "$appdir/tidemark.exe" </dev/null >/dev/null 2>&1 &
shot=$root/build/run/tidemark.png
for _ in $(seq 100); do
  if xdotool search --name '^orv Tidemark$' >/dev/null 2>&1 && [ "$(xdotool search --onlyvisible --class tidemark.exe 2>/dev/null | wc -l)" -ge 1 ]; then
    break
  fi
  sleep 0.1
done
sleep 3   # the bar shows two seconds after the splash
import -window root "$shot"
echo "Tidemark is running on the private display $DISPLAY (Xvfb); a screenshot of it is at $shot"
echo "Press Enter to end it."
read -r _ || true
"$WINESERVER" -k
kill "$XVFB_PID"
