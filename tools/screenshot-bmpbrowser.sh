#!/usr/bin/env bash
# Shows the bitmap browser with a few clips and one selected, saves the window
# as build/screenshots/bmpbrowser.png.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build/screenshots
mkdir -p "$out"
rm -f "$out/bmpbrowser.bmp"
# Wine sees the Linux root as drive Z:.
export TIDEMARK_SCREENSHOT_DIR="Z:${out//\//\\}"
TIDEMARK_SKIP_I686=1 tools/test.sh -R browsers >/dev/null
convert "$out/bmpbrowser.bmp" -alpha off "$out/bmpbrowser.png"
echo "$out/bmpbrowser.png"
