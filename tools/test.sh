#!/usr/bin/env bash
# Sets up the machine, builds the i686 and x86_64 targets with their tests and
# the release zips, and runs the whole suite under Wine for both bitnesses, on
# one private Xvfb display and one Wine session. Leaves no process running.
#
#   tools/test.sh [--bits 32|64] [--program NAME] [CTEST ARGS...]
#
# --bits runs one bitness's suite, --program one test program (a folder of
# tests/: bar, e2e, store, ...); what follows goes to ctest (-R, -V, ...).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bits="32 64"
ctest_args=()
while [ $# -gt 0 ]; do
  case $1 in
    --bits)
      [[ ${2:-} =~ ^(32|64)$ ]] || { echo "test.sh: --bits takes 32 or 64" >&2; exit 2; }
      bits=$2
      shift 2
      ;;
    --program)
      [ -n "${2:-}" ] || { echo "test.sh: --program takes a name" >&2; exit 2; }
      ctest_args+=(-R "^$2\$")
      shift 2
      ;;
    *)
      ctest_args+=("$1")
      shift
      ;;
  esac
done

bash tools/setup.sh
wine32=$(cat build/wine32.status)
start=$(date +%s)
# Warnings are errors here, for both builds, as in CI.
export TIDEMARK_WERROR=${TIDEMARK_WERROR:-ON}
# Both builds always: the i686 one is the product even where it cannot run.
tools/build.sh i686
tools/build.sh x64
# The zips a user downloads, made from these same builds and checked; the
# "package" test starts each bitness's program from its zip.
TIDEMARK_PACKAGE_PRESETS="i686 x64" tools/package.sh
echo "build: $(( $(date +%s) - start )) s"

export WINEPREFIX=$root/build/wineprefix
. tools/wine-env.sh
start_private_xvfb
export TIDEMARK_DISPLAY=$DISPLAY
cleanup() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  kill "$XVFB_PID" 2>/dev/null || true
  wait "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
ensure_wine_session

failed=()
summary=()
for b in $bits; do
  preset=x64
  [ "$b" = 32 ] && preset=i686
  if [ "$b" = 32 ] && [ "$wine32" != ready ]; then
    summary+=("32-bit suite: NOT RUN ($wine32)")
    continue
  fi
  echo "== the $b-bit suite (build/$preset)"
  t=$(date +%s)
  if (cd "build/$preset" && ctest --output-on-failure "${ctest_args[@]}"); then
    summary+=("$b-bit suite: passed ($(( $(date +%s) - t )) s)")
  else
    summary+=("$b-bit suite: FAILED ($(( $(date +%s) - t )) s)")
    failed+=("$b")
  fi
done
printf '%s\n' "${summary[@]}"
[ ${#failed[@]} -eq 0 ]
