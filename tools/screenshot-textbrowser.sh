#!/usr/bin/env bash
# Shows the text browser with a few clips, one selected and the button panel
# out, and saves the window as build/screenshots/textbrowser.png.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build/screenshots
mkdir -p "$out"
rm -f "$out/textbrowser.bmp" "$out/textbrowser.png"
# Wine sees the Linux root as drive Z:.
export TIDEMARK_SCREENSHOT_DIR="Z:${out//\//\\}"
TIDEMARK_SKIP_I686=1 tools/test.sh -R browsers >/dev/null
convert "$out/textbrowser.bmp" -alpha off "$out/textbrowser.png"
rm -f "$out/textbrowser.bmp"
echo "$out/textbrowser.png"
