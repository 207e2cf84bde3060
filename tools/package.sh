#!/usr/bin/env bash
# Builds the release programs and writes the zips a Windows user downloads:
#   dist/tidemark-VERSION-win32.zip  the i686 program (the product)
#   dist/tidemark-VERSION-win64.zip  the x86_64 program
# each with tidemark.exe and README.txt. Then unpacks them into
# build/package/win32 and win64 and checks what a user gets; the test suite
# starts each bitness's program from there. Fails on the first check that fails.
# TIDEMARK_PACKAGE_PRESETS="i686 x64" takes the programs from those builds
# (the test builds: the program is built the same) instead of building anew.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash tools/setup.sh

fail() {
  echo "package: $*" >&2
  exit 1
}

read -r preset32 preset64 <<<"${TIDEMARK_PACKAGE_PRESETS:-release-i686 release-x64}"
if [ -z "${TIDEMARK_PACKAGE_PRESETS:-}" ]; then
  tools/build.sh "$preset32"
  tools/build.sh "$preset64"
fi

header=build/$preset32/generated/version.h
version=$(sed -n 's/^#define TIDEMARK_VERSION "\(.*\)"$/\1/p' "$header")
fields=$(sed -n 's/^#define TIDEMARK_VERSION_FIELDS //p' "$header")
[ -n "$version" ] && [ -n "$fields" ] || fail "no version in $header"

# Shipped only if the project has one.
licence=$(ls LICENSE LICENSE.txt LICENSE.md COPYING 2>/dev/null | head -n1 || true)

# Windows' Notepad of old shows a file with bare line feeds as one line.
crlf() { sed 's/\r*$/\r/' "$1"; }

# make_zip NAME PRESET TRIPLE
make_zip() {
  local name=$1 preset=$2 triple=$3
  local stage=build/package/stage-$name zip=dist/tidemark-$version-$name.zip
  rm -rf "$stage" "$zip"
  mkdir -p "$stage" dist
  "$triple-strip" -o "$stage/tidemark.exe" "build/$preset/tidemark.exe"
  crlf docs/windows-readme.txt | sed "s/@VERSION@/$version/g" >"$stage/README.txt"
  [ -z "$licence" ] || crlf "$licence" >"$stage/LICENSE.txt"
  (cd "$stage" && python3 -m zipfile -c "$root/$zip" *)
  rm -rf "$stage"
  echo "$zip"
}

# check_zip NAME TRIPLE FORMAT MAGIC
check_zip() {
  local name=$1 triple=$2 format=$3 magic=$4
  local zip=dist/tidemark-$version-$name.zip dir=build/package/$name
  rm -rf "$dir"
  mkdir -p "$dir"
  python3 -m zipfile -e "$zip" "$dir"
  local expected="README.txt tidemark.exe${licence:+ LICENSE.txt}"
  local got
  got=$(cd "$dir" && find . -mindepth 1 -printf '%P\n' | sort | tr '\n' ' ')
  [ "$got" = "$(tr ' ' '\n' <<<"$expected" | sort | tr '\n' ' ')" ] || fail "$zip holds $got, not $expected"
  local text
  for text in "$dir"/*.txt; do
    ! grep -qv $'\r$' "$text" || fail "$zip: $(basename "$text") has lines without CRLF"
  done

  local exe=$dir/tidemark.exe dump
  dump=$("$triple-objdump" -p "$exe")
  grep -q "file format $format\$" <<<"$dump" || fail "$name: tidemark.exe is not $format"
  grep -qE "^Magic[[:space:]]+$magic" <<<"$dump" || fail "$name: tidemark.exe has no $magic optional header"
  grep -qE '^Subsystem[[:space:]]+00000002' <<<"$dump" || fail "$name: tidemark.exe is not a GUI program"
  local size
  size=$(stat -c %s "$exe")
  [ "$size" -le $((3 * 1024 * 1024 / 2)) ] || fail "$name: tidemark.exe is $size bytes, over 1.5 MB"

  # Windows looks in the program's folder first for any DLL that is not one
  # of its known DLLs, and a downloaded program often sits in the Downloads
  # folder. So it imports known DLLs only; comctl32, and comdlg32 that may
  # pull it in, it loads once it has narrowed the search. These are the names
  # under HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs in
  # Windows 7 and in Windows 10 and 11 alike. The C++ runtime is linked in.
  local known=" advapi32 clbcatq comdlg32 difxapi gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ole32"
  known+=" oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32 "
  local dll
  for dll in $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump"); do
    dll=${dll,,}
    [[ $dll == *.dll && $known == *" ${dll%.dll} "* ]] ||
      fail "$name: tidemark.exe imports $dll, which is not a known DLL: a $dll beside it would be loaded"
  done

  local rc
  rc=$("$triple-windres" -i "$exe" -O rc)
  grep -q "^ FILEVERSION ${fields//,/, }\$" <<<"$rc" || fail "$name: the fixed file version is not $fields"
  grep -q "^ PRODUCTVERSION ${fields//,/, }\$" <<<"$rc" || fail "$name: the fixed product version is not $fields"
  grep -q "VALUE \"FileVersion\", \"$version\"" <<<"$rc" || fail "$name: FileVersion does not read $version"
  grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$rc" || fail "$name: ProductVersion does not read $version"
  echo "$zip: $format GUI, $size bytes, known DLLs only, version $version"
}

make_zip win32 "$preset32" i686-w64-mingw32
make_zip win64 "$preset64" x86_64-w64-mingw32
check_zip win32 i686-w64-mingw32 pei-i386 010b
check_zip win64 x86_64-w64-mingw32 pei-x86-64 020b
