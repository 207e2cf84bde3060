#!/usr/bin/env bash
# Builds the x86_64 target and prints the benchmark table: bench.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
tools/build.sh x64 >/dev/null
cd build/x64
exec ../../tools/wine-run.sh --prefix "$PWD/wineprefix" tidemark_bench.exe "${1:-15}"
