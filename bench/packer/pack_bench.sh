#!/bin/bash
# Packing a payload of real files: zav-pack making a whole installer of it, next to gcab -c -z
# packing the same files into a cabinet, in the same run on the same machine. Peak memory
# (maximum resident set size) and wall time of each, best of N runs.
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

best() {  # label command...: the best wall time and the largest peak memory of $runs runs
  local label=$1; shift
  local seconds="" kilobytes=0
  for _ in $(seq 1 "$runs"); do
    /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1 || true
    read -r s k < "$work/time"
    seconds=$(echo "$s ${seconds:-}" | awk '{if ($2 == "" || $1 < $2) print $1; else print $2}')
    [ "$k" -gt "$kilobytes" ] && kilobytes=$k
  done
  printf '%-40s %7.2f s  %6.1f MiB\n' "$label" "$seconds" "$(echo "$kilobytes" | awk '{print $1 / 1024}')"
}

echo "payload: $payload, $(du -sb "$payload" | cut -f1) bytes in ${#files[@]} files"
best "zav-pack (checks, cabinet, installer)" "$zav_pack" --payload "$payload" -o "$work/setup.exe"
best "gcab -c -z (the cabinet only)" sh -c 'cd "$1" && shift && gcab -c -z "$@"' sh "$payload" "$work/gcab.cab" "${files[@]}"
size_of() { [ -f "$1" ] && echo "$(stat -c %s "$1") bytes" || echo "nothing written"; }
echo "written: zav-pack $(size_of "$work/setup.exe"), gcab $(size_of "$work/gcab.cab")"
