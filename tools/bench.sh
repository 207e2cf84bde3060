#!/usr/bin/env bash
# Builds the x86_64 target and prints the benchmark tables: bench.sh [RUNS]
# First the figures taken inside the program, then those taken from another
# process in the viewer chain, in a Wine prefix of their own so that no viewer
# left by the tests sits in that chain.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
tools/build.sh x64 >/dev/null
cd build/x64
../../tools/wine-run.sh --prefix "$PWD/wineprefix" tidemark_bench.exe "${1:-15}"
echo
exec ../../tools/wine-run.sh --prefix "$PWD/benchprefix" tidemark_chain_bench.exe "${1:-15}"
