#!/bin/bash
# Packing time: zav-pack making a whole installer of a 20 MB payload, next to gcab -c -z packing
# the same folder into a cabinet, in the same run on the same machine. Best of N runs each.
#   bench/packer/pack_bench.sh [BUILD_DIR [RUNS]]     (default build/native, 3)
set -euo pipefail
build=${1:-build/native}
runs=${2:-3}
zav_pack=$build/packer/zav-pack
[ -x "$zav_pack" ] || { echo "pack_bench.sh: no $zav_pack; build it first (tools/setup/build.sh all)" >&2; exit 1; }
command -v gcab >/dev/null || { echo "pack_bench.sh: gcab is not installed" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 20 files of 1 MiB of random bytes in two folders: nothing to compress, so every block is
# tried and stored, the slowest case per byte for both.
for i in $(seq 1 20); do
  mkdir -p "$work/payload/part$((i % 2))"
  head -c 1048576 /dev/urandom > "$work/payload/part$((i % 2))/file$i.bin"
done
mapfile -t files < <(cd "$work/payload" && find . -type f -printf '%P\n' | LC_ALL=C sort)

best() {  # command...: the best wall time of $runs runs, in seconds
  local best=""
  for _ in $(seq 1 "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    best=$(echo "$start $end ${best:-}" | awk '{t = $2 - $1; if ($3 == "" || t < $3) print t; else print $3}')
  done
  printf '%.3f' "$best"
}

zav=$(best "$zav_pack" --payload "$work/payload" -o "$work/setup.exe")
gcab_time=$(best sh -c 'cd "$1" && shift && gcab -c -z "$@"' sh "$work/payload" "$work/gcab.cab" "${files[@]}")
echo "payload: $(du -sb "$work/payload" | cut -f1) bytes in ${#files[@]} files"
size_of() { [ -f "$1" ] && echo "$(stat -c %s "$1") bytes" || echo "nothing written"; }
echo "zav-pack (checks, cabinet, installer): ${zav} s, $(size_of "$work/setup.exe")"
echo "gcab -c -z (cabinet only):             ${gcab_time} s, $(size_of "$work/gcab.cab")"
