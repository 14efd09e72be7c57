#!/bin/bash
# Fuzzes the XM loader with libFuzzer (Debian's clang, AddressSanitizer and
# UndefinedBehaviorSanitizer), seeded with built modules, the real songs of the shared test data
# (when present) and the kept corpus. New inputs that reach new code are merged into the kept
# corpus, tests/music/fuzz-corpus, which the loader tests replay under the sanitizers.
#
# usage: tools/fuzz/run-module-fuzzer.sh [SECONDS]     (default 600; one job)
# Findings are written to build/fuzz/findings/; the script then exits with status 1.
# FUZZ_TIMEOUT (seconds, default 10) is how long one input may run before it counts as a hang;
# a fuzzer running at low priority beside a build needs more, or it reports its own starvation.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-600}
out=$root/build/fuzz
corpus=$root/tests/music/fuzz-corpus
testdata=${ZAV_TESTDATA_DIR:-$root/../shared/testdata}

if ! command -v clang++-14 >/dev/null || [ ! -d /usr/lib/llvm-14/lib/clang ]; then
  apt-get install -y --no-install-recommends clang-14 libclang-rt-14-dev >/dev/null
fi

rm -rf "$out/seeds"
mkdir -p "$out/seeds/built" "$out/seeds/real" "$out/work" "$out/findings" "$corpus"
sources=()
for file in "$root"/music/*.cpp; do
  case "$file" in *_win.cpp) ;; *) sources+=("$file") ;; esac
done
clang++-14 -std=c++17 -O1 -g -fno-exceptions -fno-rtti -ffp-contract=off \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I"$root" \
  "${sources[@]}" "$root/tools/fuzz/module_loader_fuzzer.cpp" -o "$out/module_loader_fuzzer"
g++ -std=c++17 -O1 -I"$root" "$root/tools/fuzz/make_seeds.cpp" "$root/tools/xmwriter/xm_writer.cpp" \
  -o "$out/make_seeds"
"$out/make_seeds" "$out/seeds/built"
if [ -d "$testdata/xm" ]; then cp "$testdata"/xm/*.xm "$out/seeds/real/"; fi

status=0
"$out/module_loader_fuzzer" -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$out/findings/" \
  "$out/work" "$out/seeds/built" "$out/seeds/real" "$corpus" 2>&1 | tee "$out/fuzz.log" || status=$?

# Keep only what reaches code that the kept corpus does not reach yet: new edges, not merely new
# hit counts of known ones (-use_counters=0), so that the corpus, which the tests replay, grows
# by few inputs. The real songs are not kept themselves, and inputs are cut to 8 KiB on the way
# in: enough for the headers that matter, and short enough that the kept corpus holds no more
# than fragments of those songs.
"$out/module_loader_fuzzer" -merge=1 -use_counters=0 -max_len=8192 "$corpus" "$out/work" \
  "$out/seeds/built" 2>&1 | tail -n 3
exit $status
