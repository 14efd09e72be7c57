#!/bin/bash
# Fuzzes the XM loader and player with libFuzzer (Debian's clang, AddressSanitizer and
# UndefinedBehaviorSanitizer), seeded with built modules, the real songs of the shared test data
# (when present) and the kept corpus. Three targets take the same inputs, plain XM data:
#   play     loads and plays the first two seconds (about 50 inputs a second)
#   stretch  loads and plays a tenth of a second from an order position and row that the
#            input's last two bytes choose
#   load     loads and summarises as `zav-render --info` does, without playing (thousands a
#            second)
# Afterwards the kept corpus, tests/music/fuzz-corpus, which the tests replay under the
# sanitizers, is merged anew with the playing target, which reaches all the code the others
# do: the smallest set of inputs that reaches every edge that the kept corpus and this run's
# finds reach. Inputs named finding-* are regression inputs of past findings and always stay.
#
# usage: tools/fuzz/run-module-fuzzer.sh [SECONDS] [TARGET]   (default 600 s, play; one job)
# Findings are written to build/fuzz/findings/; the script then exits with status 1. The runs
# of each target are added to build/fuzz/runs-TARGET.
# FUZZ_TIMEOUT (seconds, default 10) is how long one input may run before it counts as a hang;
# a fuzzer running at low priority beside a build needs more, or it reports its own starvation.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-600}
target=${2:-play}
out=$root/build/fuzz
corpus=$root/tests/music/fuzz-corpus
testdata=${ZAV_TESTDATA_DIR:-$root/../shared/testdata}

# The load target takes inputs of at most 4 KiB: the headers, patterns and instrument records
# that the loader parses lie within them, and sample data that is cut short is a case of its
# own; longer inputs would only spend the time on copying samples.
length=()
case "$target" in
  play) source=module_loader_fuzzer.cpp ;;
  stretch) source=module_stretch_fuzzer.cpp ;;
  load) source=module_load_fuzzer.cpp length=(-max_len=4096) ;;
  *) echo "usage: $0 [SECONDS] [play|stretch|load]" >&2; exit 2 ;;
esac

if ! command -v clang++-14 >/dev/null || [ ! -d /usr/lib/llvm-14/lib/clang ]; then
  apt-get install -y --no-install-recommends clang-14 libclang-rt-14-dev >/dev/null
fi

rm -rf "$out/seeds"
mkdir -p "$out/seeds/built" "$out/seeds/real" "$out/work" "$out/findings" "$corpus"
sources=()
for file in "$root"/music/*.cpp; do
  case "$file" in *_win.cpp) ;; *) sources+=("$file") ;; esac
done
# The load target runs without comparison tracing: the loader compares its input against few
# constants (the seeds hold every one of them), while tracing the bounds checks of every byte
# it reads took two thirds of its time, which keeps it above a thousand inputs a second.
build_target() {  # NAME SOURCE
  local extra=() flags=(-O1)
  [ "$1" = load ] && extra=("$root/tools/zav-render/info.cpp") flags=(-O2 -fno-sanitize-coverage=trace-cmp)
  clang++-14 -std=c++17 "${flags[@]}" -g -fno-exceptions -fno-rtti -ffp-contract=off \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root" \
    "${sources[@]}" "${extra[@]}" "$root/tools/fuzz/$2" -o "$out/fuzz-$1"
}
build_target "$target" "$source"
[ "$target" = play ] || build_target play module_loader_fuzzer.cpp
g++ -std=c++17 -O1 -I"$root" "$root/tools/fuzz/make_seeds.cpp" "$root/tools/xmwriter/xm_writer.cpp" \
  -o "$out/make_seeds"
"$out/make_seeds" "$out/seeds/built"
if [ -d "$testdata/xm" ]; then cp "$testdata"/xm/*.xm "$out/seeds/real/"; fi

status=0
"$out/fuzz-$target" "${length[@]}" -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$out/findings/" \
  "$out/work" "$out/seeds/built" "$out/seeds/real" "$corpus" 2>&1 | tee "$out/fuzz-$target.log" ||
  status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/fuzz-$target.log" | tail -n 1)
echo "${runs:-0}" >> "$out/runs-$target"
echo "$target: ${runs:-0} runs now, $(awk '{ s += $1 } END { print s }' "$out/runs-$target") in all"

# The kept corpus merged anew: only inputs that reach edges (not merely new hit counts of known
# ones, -use_counters=0) that no other input reaches, so the corpus, which the tests replay,
# stays small. The real songs are not kept themselves, and inputs are cut to 8 KiB on the way
# in: enough for the headers that matter, and short enough that the kept corpus holds no more
# than fragments of those songs.
rm -rf "$out/merged"
mkdir -p "$out/merged"
"$out/fuzz-play" -merge=1 -use_counters=0 -max_len=8192 -timeout="${FUZZ_TIMEOUT:-10}" \
  "$out/merged" "$corpus" "$out/work" "$out/seeds/built" 2>&1 | tail -n 3
find "$corpus" -maxdepth 1 -type f ! -name 'finding-*' -delete
cp "$out/merged"/* "$corpus"/
echo "kept corpus: $(ls "$corpus" | wc -l) inputs"
exit $status
