#!/bin/bash
# Fuzzes zav-pack's picture intake (format checks, the decoders, fitting, the JPEG writer and the
# read-back through libjpeg) with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer,
# seeded with small pictures of every format and flavour that ImageMagick makes here.
#
# usage: tools/fuzz/run-picture-fuzzer.sh [SECONDS]     (default 600; one job)
# Findings are written to build/fuzz-pictures/findings/; the script then exits with status 1.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-600}
out=$root/build/fuzz-pictures

if ! command -v clang++-14 >/dev/null || [ ! -d /usr/lib/llvm-14/lib/clang ]; then
  apt-get install -y --no-install-recommends clang-14 libclang-rt-14-dev >/dev/null
fi

mkdir -p "$out/seeds" "$out/work" "$out/findings"
checks=$root/packer/checks
flags=(-std=c++17 -O1 -g -fno-exceptions -fno-rtti -ffp-contract=off -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=all -I"$root" -isystem /usr/include/stb)
# The codecs are built as zav-pack builds them: integer overflow wraps (-fwrapv), negative numbers
# shift left as two's-complement machines shift them, and the PNG decoder's copies of no bytes
# from a null pointer are not counted (packer/checks/CMakeLists.txt).
clang++-14 "${flags[@]}" -fwrapv -fno-sanitize=shift-base,nonnull-attribute -c "$checks/picture_codecs.cpp" \
  -o "$out/picture_codecs.o"
clang++-14 "${flags[@]}" -fsanitize=fuzzer "$out/picture_codecs.o" \
  "$checks/picture.cpp" "$checks/picture_formats.cpp" "$checks/picture_fit.cpp" \
  "$checks/picture_decoder_posix.cpp" "$checks/diagnostics.cpp" "$root/packer/file_io_posix.cpp" \
  "$root/tools/fuzz/picture_intake_fuzzer.cpp" -ljpeg -o "$out/picture_intake_fuzzer"

seed() {  # name, ImageMagick arguments...
  local name=$1; shift
  [ -f "$out/seeds/$name" ] || convert "$@" "$out/seeds/$name"
}
seed a.png -size 23x17 plasma:
seed alpha.png -size 19x11 xc:none -fill red -draw 'circle 9,5 9,1'
seed grey16.png -size 21x9 gradient: -depth 16 -colorspace Gray
seed palette.png -size 24x8 plasma: -colors 7
seed a.bmp -size 17x13 plasma:
seed a8.bmp -size 17x13 plasma: -colors 16 -type Palette
seed a.gif -size 25x15 plasma:
seed b.gif -size 12x12 xc:none -fill blue -draw 'rectangle 2,2 8,8'
seed base.jpg -size 33x21 plasma: -quality 80
seed prog.jpg -size 33x21 plasma: -interlace JPEG
seed grey.jpg -size 33x21 plasma: -colorspace Gray
seed cmyk.jpg -size 33x21 plasma: -colorspace CMYK
seed sub.jpg -size 35x19 plasma: -sampling-factor 2x2

status=0
"$out/picture_intake_fuzzer" -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix="$out/findings/" \
  "$out/work" "$out/seeds" 2>&1 | tee "$out/fuzz.log" || status=$?
if ls "$out/findings"/* >/dev/null 2>&1; then
  echo "findings in $out/findings" >&2
  exit 1
fi
exit $status
