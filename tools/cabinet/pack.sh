#!/bin/bash
# Packs the payload folder into the MS-CAB cabinet that the installer carries.
#   pack.sh PAYLOAD_DIR OUT.cab
# Every file gets one fixed time stamp and the list is sorted, so the same payload always gives
# the same cabinet bytes. The output appears only when packing succeeded.
set -euo pipefail
payload=${1:?usage: pack.sh PAYLOAD_DIR OUT.cab}
out=${2:?usage: pack.sh PAYLOAD_DIR OUT.cab}
fixed_time='2026-01-01 12:00:00'

command -v gcab >/dev/null || { echo "pack.sh: gcab is not installed (Debian package gcab)" >&2; exit 1; }
[ -d "$payload" ] || { echo "pack.sh: payload folder '$payload' does not exist" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -R "$payload/." "$work/files"
mapfile -t files < <(cd "$work/files" && find . -type f -printf '%P\n' | LC_ALL=C sort)
[ ${#files[@]} -gt 0 ] || { echo "pack.sh: payload folder '$payload' holds no files" >&2; exit 1; }
(cd "$work/files" && touch -d "$fixed_time" "${files[@]}" && TZ=UTC gcab -c -z "$work/out.cab" "${files[@]}") \
  || { echo "pack.sh: gcab failed to pack '$payload'" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
mv "$work/out.cab" "$out"
