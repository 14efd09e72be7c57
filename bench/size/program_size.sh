#!/bin/bash
# Prints the size of the Windows program, and its size without the embedded assets (the bytes
# of the pictures, song, texts, cabinet and icon), and checks the latter against the budget.
#   program_size.sh BUILD_WIN_DIR [BUDGET_BYTES]
set -euo pipefail
win=${1:?usage: program_size.sh BUILD_WIN_DIR [BUDGET_BYTES]}
budget=${2:-49152}
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$win/ZAVInstaller.exe
[ -f "$exe" ] || { echo "program_size.sh: $exe is missing; build the Windows tree first" >&2; exit 1; }

size() { stat -c %s "$1"; }
total=$(size "$exe")
assets=0
for f in pictures/background.jpg pictures/install.jpg pictures/about.jpg pictures/exit.jpg \
         music/song.xm credits.txt info.txt icon.ico; do
  assets=$((assets + $(size "$root/assets/$f")))
done
assets=$((assets + $(size "$win/assets/payload.cab")))
code=$((total - assets))
kb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1024 }'; }
printf 'ZAVInstaller.exe: %d bytes (%s KB)\n' "$total" "$(kb "$total")"
printf 'embedded assets:  %d bytes\n' "$assets"
printf 'without assets:   %d bytes (%s KB), budget %d bytes\n' "$code" "$(kb "$code")" "$budget"
[ "$code" -le "$budget" ] || { echo "over budget by $((code - budget)) bytes" >&2; exit 1; }
