#!/bin/bash
# Configures (once) and builds both trees: build/win (the program's stub and the tests' Windows
# helpers) and build/native (portable code, unit tests, tools, benchmarks). The project's
# installer, build/win/ZAVInstaller.exe, is packed by the native zav-pack from the stub; with
# "win" only that much of the native tree is built, and the sound card that run.sh records from.
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
configure build/native -DZAV_WIN_BUILD_DIR="$root/build/win"
if [ "$what" = all ]; then
  cmake --build "$root/build/native" -j "$jobs"
else
  cmake --build "$root/build/native" -j "$jobs" --target zav_installer_program zav_alsa_capture
fi
