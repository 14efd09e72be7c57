#!/bin/bash
# Fuzzes zav-pack's LZX encoder with libFuzzer (Debian's clang, AddressSanitizer and
# UndefinedBehaviorSanitizer): every input is compressed, extracted again by libmspack and
# compared. Seeds: text, zeros, noise and this machine's own programs, cut small.
#
# usage: tools/fuzz/run-lzx-fuzzer.sh [SECONDS]     (default 600; one job)
# Findings are written to build/fuzz-lzx/findings/; the script then exits with status 1.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-600}
out=$root/build/fuzz-lzx

if ! command -v clang++-14 >/dev/null || [ ! -d /usr/lib/llvm-14/lib/clang ]; then
  apt-get install -y --no-install-recommends clang-14 libclang-rt-14-dev >/dev/null
fi

rm -rf "$out/seeds"
mkdir -p "$out/seeds" "$out/work" "$out/findings"
clang++-14 -std=c++17 -O1 -g -fno-exceptions -fno-rtti -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=all -I"$root" "$root"/packer/lzx/*.cpp "$root/packer/cabinet_format.cpp" \
  "$root/packer/cabinet_time.cpp" "$root/packer/checks/cabinet_reader_posix.cpp" "$root/packer/file_io_posix.cpp" \
  "$root/tools/fuzz/lzx_encoder_fuzzer.cpp" -lmspack -o "$out/lzx_encoder_fuzzer"
head -c 60000 <(cat "$root/README.md" "$root"/docs/*.md) > "$out/seeds/text"
head -c 70000 /dev/zero > "$out/seeds/zeros"
head -c 40000 /dev/urandom > "$out/seeds/noise"
head -c 100000 /bin/sh > "$out/seeds/program"
printf '\x06' | cat - "$out/seeds/program" > "$out/seeds/program-2m"

"$out/lzx_encoder_fuzzer" -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-20}" -rss_limit_mb=2048 \
  -max_len=300000 -print_final_stats=1 -artifact_prefix="$out/findings/" "$out/work" "$out/seeds" 2>&1 | tee "$out/fuzz.log"
