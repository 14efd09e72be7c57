#!/bin/bash
# Packing a payload of real files: zav-pack making a whole installer of it (LZX, its default),
# next to gcab -c -z packing the same files into an MSZIP cabinet, in the same run on the same
# machine. Peak memory (maximum resident set size) and wall time of each, best of N runs; the
# sizes against gcab's, and, for reference, against xz -9 of the same files in one tar stream
# (ZAV_BENCH_XZ=0 leaves that out: it takes several minutes).
#   bench/packer/pack_bench.sh [BUILD_DIR [PAYLOAD_DIR [RUNS]]]
#     default build/native, Wine's 64-bit DLLs (/usr/lib/x86_64-linux-gnu/wine/x86_64-windows), 1
set -euo pipefail
build=${1:-build/native}
payload=${2:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows}
runs=${3:-1}
zav_pack=$build/packer/zav-pack
[ -x "$zav_pack" ] || { echo "pack_bench.sh: no $zav_pack; build it first (tools/setup/build.sh all)" >&2; exit 1; }
command -v gcab >/dev/null || { echo "pack_bench.sh: gcab is not installed" >&2; exit 1; }
[ -d "$payload" ] || { echo "pack_bench.sh: no folder $payload (wine64 installs it; or name another)" >&2; exit 1; }
payload=$(cd "$payload" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mapfile -t files < <(cd "$payload" && find . -type f -printf '%P\n' | LC_ALL=C sort)

best() {  # label command...: the best wall time, its processor time and the largest peak memory of $runs runs
  local label=$1; shift
  local seconds="" processor="" kilobytes=0
  for _ in $(seq 1 "$runs"); do
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null 2>&1 || true
    read -r s u y k < "$work/time"
    if [ -z "$seconds" ] || awk -v a="$s" -v b="$seconds" 'BEGIN { exit !(a < b) }'; then
      seconds=$s processor=$(awk -v u="$u" -v y="$y" 'BEGIN { print u + y }')
    fi
    [ "$k" -gt "$kilobytes" ] && kilobytes=$k
  done
  printf '%-40s %7.2f s  (%7.2f s of processor time)  %6.1f MiB\n' "$label" "$seconds" "$processor" \
    "$(echo "$kilobytes" | awk '{print $1 / 1024}')"
}

echo "payload: $payload, $(du -sb "$payload" | cut -f1) bytes in ${#files[@]} files"
best "zav-pack (checks, cabinet, installer)" "$zav_pack" --payload "$payload" -o "$work/setup.exe"
best "gcab -c -z (the cabinet only)" sh -c 'cd "$1" && shift && gcab -c -z "$@"' sh "$payload" "$work/gcab.cab" "${files[@]}"
size_of() { [ -f "$1" ] && echo "$(stat -c %s "$1") bytes" || echo "nothing written"; }
echo "written: zav-pack $(size_of "$work/setup.exe"), gcab $(size_of "$work/gcab.cab")"
input=$(du -sb "$payload" | cut -f1)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
if [ -f "$work/setup.exe" ] && [ -f "$work/gcab.cab" ]; then
  zav=$(stat -c %s "$work/setup.exe") gcab=$(stat -c %s "$work/gcab.cab")
  echo "zav-pack's installer: $(ratio "$zav" "$gcab") x gcab's cabinet, $(ratio "$zav" "$input") of the input"
  echo "gcab's cabinet: $(ratio "$gcab" "$input") of the input"
fi
if [ "${ZAV_BENCH_XZ:-1}" != 0 ]; then
  xz=$(cd "$payload" && tar -c --sort=name "${files[@]}" | xz -9 -T1 | wc -c)
  echo "xz -9 of the files in one tar stream: $xz bytes, $(ratio "$xz" "$input") of the input"
fi
