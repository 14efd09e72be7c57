#!/bin/bash
# Builds the Windows program (the stub that every installer is made from) in a fresh tree at
# another path and compares it byte for byte with the one in the main Windows tree: the same
# sources must give the same bytes. (zav-pack's own tests show that packing is reproducible.)
#   reproducible.sh SOURCE_DIR BUILD_WIN_DIR
set -euo pipefail
src=${1:?usage: reproducible.sh SOURCE_DIR BUILD_WIN_DIR}
win=${2:?usage: reproducible.sh SOURCE_DIR BUILD_WIN_DIR}
[ -f "$win/zav-stub.exe" ] || { echo "reproducible.sh: $win/zav-stub.exe is missing" >&2; exit 1; }
other=$(mktemp -d /tmp/zav-repro.XXXXXX)
trap 'rm -rf "$other"' EXIT
cmake -S "$src" -B "$other" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$other" --target zav-stub -j 2 >/dev/null
if cmp "$win/zav-stub.exe" "$other/zav-stub.exe"; then
  echo "identical: $(stat -c %s "$other/zav-stub.exe") bytes"
else
  echo "the two builds differ" >&2
  exit 1
fi
