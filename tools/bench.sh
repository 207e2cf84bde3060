#!/usr/bin/env bash
# Builds both programs and prints the benchmark tables, the 32-bit program's
# figures beside the 64-bit one's: bench.sh [RUNS]
# First the figures taken inside each program, then those taken from another
# process in the viewer chain, in a Wine prefix of their own so that no viewer
# left by the tests sits in that chain. Each bitness runs its own benchmark
# programs, one after the other, on the same machine in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-15}
bash tools/setup.sh
wine32=$(cat build/wine32.status)
presets=(i686 x64)
[ "$wine32" = ready ] || presets=(x64)
for preset in "${presets[@]}"; do
  tools/build.sh "$preset" >/dev/null
done

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
bits() { [ "$1" = i686 ] && echo 32-bit || echo 64-bit; }
for bench in tidemark_bench tidemark_chain_bench; do
  prefix=wineprefix
  [ "$bench" = tidemark_chain_bench ] && prefix=benchprefix
  for preset in "${presets[@]}"; do
    (cd "build/$preset" && ../../tools/wine-run.sh --prefix "$PWD/$prefix" "$bench.exe" "$runs") \
      >"$out/$bench-$preset.md" 2>&1 || { cat "$out/$bench-$preset.md"; exit 1; }
  done
done

for bench in tidemark_bench tidemark_chain_bench; do
  for preset in "${presets[@]}"; do
    echo "## $bench.exe, the $(bits "$preset") program"
    echo
    cat "$out/$bench-$preset.md"
    echo
  done
done
if [ "$wine32" = ready ]; then
  for bench in tidemark_bench tidemark_chain_bench; do
    echo "## $bench.exe, side by side"
    echo
    python3 tools/bench-side-by-side.py 32-bit "$out/$bench-i686.md" 64-bit "$out/$bench-x64.md"
    echo
  done
else
  echo "32-bit figures: NOT TAKEN ($wine32)"
fi
