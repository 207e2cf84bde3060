#!/usr/bin/env bash
# Takes the README's pictures from the real program under Xvfb: the splash, the
# bar, both browsers with clips in them and the about box, into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
tools/build.sh x64 >/dev/null
tools/screenshot-bar.sh >/dev/null
tools/screenshots-about.sh --no-build >/dev/null
tools/screenshot-textbrowser.sh >/dev/null
tools/screenshot-bmpbrowser.sh >/dev/null
mkdir -p docs
for name in splash bar menu textbrowser bmpbrowser about; do
  cp "build/screenshots/$name.png" "docs/$name.png"
  echo "docs/$name.png"
done
