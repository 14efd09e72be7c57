#!/bin/bash
# Builds the Windows program in a fresh tree at another path and compares it byte for byte with
# the program in the main Windows tree: the same sources must give the same bytes.
#   reproducible.sh SOURCE_DIR BUILD_WIN_DIR
set -euo pipefail
src=${1:?usage: reproducible.sh SOURCE_DIR BUILD_WIN_DIR}
win=${2:?usage: reproducible.sh SOURCE_DIR BUILD_WIN_DIR}
[ -f "$win/ZAVInstaller.exe" ] || { echo "reproducible.sh: $win/ZAVInstaller.exe is missing" >&2; exit 1; }
other=$(mktemp -d /tmp/zav-repro.XXXXXX)
trap 'rm -rf "$other"' EXIT
cmake -S "$src" -B "$other" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$other" --target ZAVInstaller -j 2 >/dev/null
if cmp "$win/ZAVInstaller.exe" "$other/ZAVInstaller.exe"; then
  echo "identical: $(stat -c %s "$other/ZAVInstaller.exe") bytes"
else
  echo "the two builds differ" >&2
  exit 1
fi
