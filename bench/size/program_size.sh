#!/bin/bash
# Prints the size of the program without its data (the stub, less its icon) and of the project's
# installer (the stub with its data section), and checks the former against the budget.
#   program_size.sh BUILD_WIN_DIR [BUDGET_BYTES]
set -euo pipefail
win=${1:?usage: program_size.sh BUILD_WIN_DIR [BUDGET_BYTES]}
budget=${2:-48640}
root=$(cd "$(dirname "$0")/../.." && pwd)
stub=$win/zav-stub.exe
installer=$win/ZAVInstaller.exe
for file in "$stub" "$installer"; do
  [ -f "$file" ] || { echo "program_size.sh: $file is missing; build both trees first (tools/setup/build.sh)" >&2; exit 1; }
done

size() { stat -c %s "$1"; }
code=$(($(size "$stub") - $(size "$root/assets/icon.ico")))
kb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1024 }'; }
printf 'ZAVInstaller.exe: %d bytes (%s KB)\n' "$(size "$installer")" "$(kb "$(size "$installer")")"
printf 'zav-stub.exe:     %d bytes (the program without its data section)\n' "$(size "$stub")"
printf 'without data:     %d bytes (%s KB; the stub less its icon), budget %d bytes\n' "$code" "$(kb "$code")" "$budget"
[ "$code" -le "$budget" ] || { echo "over budget by $((code - budget)) bytes" >&2; exit 1; }
