#!/bin/bash
# Times `zav-render --info` on every real song, every hostile module of the loader benchmark and
# every input of the fuzz corpus, and reports the slowest. The target: under 50 ms for any file.
# usage: bench/music-loader/info_timing.sh [NATIVE_BUILD_DIR]   (default build/native)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/native}
tool=$build/tools/zav-render/zav-render
bench=$build/bench/music-loader/bench-music-loader
hostile=$(mktemp -d)
trap 'rm -rf "$hostile"' EXIT
"$bench" --write-hostile="$hostile"
files=("$hostile"/*.xm "$root"/tests/music/fuzz-corpus/*)
testdata=${ZAV_TESTDATA_DIR:-$root/../shared/testdata}
if [ -d "$testdata/xm" ]; then files+=("$testdata"/xm/*.xm); fi
slowest=0 slowestFile= codes=
for file in "${files[@]}"; do
  start=$(date +%s%N)
  code=0
  "$tool" --info "$file" >/dev/null 2>&1 || code=$?
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  if [ "$code" != 0 ] && [ "$code" != 2 ]; then echo "crash or usage error ($code): $file"; exit 1; fi
  if [ "$ms" -ge "$slowest" ]; then slowest=$ms slowestFile=$file; fi
done
echo "files: ${#files[@]}  slowest: ${slowest} ms  ($slowestFile)  target: < 50 ms"
[ "$slowest" -lt 50 ]
