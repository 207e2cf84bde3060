#!/usr/bin/env bash
# Configures and builds one preset: build.sh [x64|i686] (default x64).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-x64}
shift || true
werror=OFF
[ "${CI:-}" = true ] && werror=ON
cmake --preset "$preset" -DTIDEMARK_WERROR=${TIDEMARK_WERROR:-$werror} "$@" >/dev/null
cmake --build --preset "$preset"
