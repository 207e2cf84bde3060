#!/usr/bin/env bash
# Installs what building, running and testing Tidemark needs on Debian 12 (run as root),
# Wine's 32-bit half included where the machine can execute 32-bit code. Quick
# and changes nothing when everything is present. Writes build/wine32.status:
# "ready", or the one plain line saying why the 32-bit program cannot run here.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-x86-64-dev mingw-w64-i686-dev
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 xvfb xauth x11-utils xdotool imagemagick python3 fonts-liberation fonts-wine
)
# Wine's 32-bit half; wine64 and libwine:amd64 are named beside it, since
# wine32:i386 alone makes apt remove them.
packages32=(wine64 libwine:amd64 wine32:i386)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}
missing_of() {
  local p
  for p in "$@"; do installed "$p" || echo "$p"; done
}

export DEBIAN_FRONTEND=noninteractive
updated=0
mapfile -t missing < <(missing_of "${packages[@]}")
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt-get update -qq || true
  updated=1
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

mkdir -p build
status=build/wine32.status

# A static 32-bit Linux program that exits with 42: the kernel runs it only
# with IA32 emulation, which Wine's 32-bit half needs.
can_run_32bit() {
  local dir rc=0
  dir=$(mktemp -d)
  printf '.globl _start\n_start: movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$dir/t.s"
  if as --32 -o "$dir/t.o" "$dir/t.s" 2>/dev/null && ld -m elf_i386 -o "$dir/t" "$dir/t.o" 2>/dev/null; then
    "$dir/t" 2>/dev/null || rc=$?
  fi
  rm -rf "$dir"
  [ "$rc" = 42 ]
}

if ! can_run_32bit; then
  echo "this machine cannot execute 32-bit code: the 32-bit suite will not run" | tee "$status"
  exit 0
fi
mapfile -t missing32 < <(missing_of "${packages32[@]}")
if [ ${#missing32[@]} -eq 0 ]; then
  echo ready >"$status"
  exit 0
fi

dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
echo "setup: installing Wine's 32-bit half (${missing32[*]})"
if apt-get update -qq 2>/dev/null && apt-get install -y -qq --no-install-recommends "${packages32[@]}" >/dev/null 2>&1; then
  echo ready >"$status"
  exit 0
fi

# The security suite's i386 index may be missing or behind its amd64 one, and
# a multi-arch library must have one version on both. Take the i386 half from
# the main suites alone, preferring their versions so that an amd64 library
# installed from the security suite steps back to its i386 twin's version.
alt=$(mktemp -d)
mkdir -p "$alt/sources.list.d" "$alt/preferences.d"
python3 - /etc/apt/sources.list.d/debian.sources >"$alt/sources.list.d/debian.sources" <<'EOF'
import sys
stanzas = open(sys.argv[1]).read().split("\n\n")
print("\n\n".join(s for s in stanzas if s.strip() and "-security" not in s))
EOF
printf 'Package: *\nPin: release n=bookworm\nPin-Priority: 1001\n\nPackage: *\nPin: release n=bookworm-updates\nPin-Priority: 1001\n' \
  >"$alt/preferences.d/main-suites"
apt_alt=(-o "Dir::Etc::sourceparts=$alt/sources.list.d" -o Dir::Etc::sourcelist=/dev/null
  -o "Dir::Etc::preferencesparts=$alt/preferences.d" -o Dir::Etc::preferences=/dev/null)
ok=0
if apt-get "${apt_alt[@]}" update -qq &&
  apt-get "${apt_alt[@]}" install -y -qq --allow-downgrades --no-install-recommends "${packages32[@]}" >/dev/null; then
  ok=1
fi
rm -rf "$alt"
# Put the ordinary lists back for later installs.
apt-get update -qq >/dev/null 2>&1 || true
if [ "$ok" = 1 ]; then
  echo ready >"$status"
else
  echo "Wine's 32-bit half could not be installed: the 32-bit suite will not run" | tee "$status"
fi
