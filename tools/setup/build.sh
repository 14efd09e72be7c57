#!/bin/bash
# Configures (once) and builds both trees: build/win (the Windows program and its test helpers)
# and, unless "win" is given, build/native (portable code, unit tests, tools, benchmarks).
#   build.sh [win|all]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
what=${1:-all}
jobs=${ZAV_JOBS:-$(nproc)}

# Configuring is cheap once the cache exists, and it is what finds folders added since.
configure() {  # tree, extra cmake arguments...
  local tree=$1; shift
  cmake -S "$root" -B "$root/$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}

configure build/win -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
cmake --build "$root/build/win" -j "$jobs"
if [ "$what" = all ]; then
  configure build/native -DZAV_WIN_BUILD_DIR="$root/build/win"
  cmake --build "$root/build/native" -j "$jobs"
fi
