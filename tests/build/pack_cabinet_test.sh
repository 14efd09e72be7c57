#!/bin/bash
# The payload packer: the cabinet it makes holds every payload file under its relative name
# (sub-folders with "\"), extracts to the same bytes, comes out the same twice; bad input ends
# with a message and a non-zero exit and leaves no output behind.
#   pack_cabinet_test.sh SOURCE_DIR
set -uo pipefail
src=${1:?usage: pack_cabinet_test.sh SOURCE_DIR}
pack=$src/tools/cabinet/pack.sh
work=$(mktemp -d /tmp/zav-pack.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The real payload round-trips through cabextract, a decoder that no one here wrote.
"$pack" "$src/assets/payload" "$work/a.cab" || fail "packing the payload"
sleep 1
"$pack" "$src/assets/payload" "$work/b.cab" || fail "packing the payload again"
cmp -s "$work/a.cab" "$work/b.cab" || fail "two packs of the same payload differ"
mkdir "$work/out"
cabextract -q -d "$work/out" "$work/a.cab" || fail "cabextract rejects the cabinet"
diff -r "$src/assets/payload" "$work/out" || fail "extracted files differ from the payload"
cabextract -l "$work/a.cab" | grep -q 'docs/manual.txt' || fail "the sub-folder file is not stored under docs"

# Bad input: nothing is written.
"$pack" "$work/no-such-folder" "$work/missing.cab" 2>"$work/err" && fail "a missing folder was packed"
grep -q 'does not exist' "$work/err" || fail "no clear message for a missing folder"
[ -e "$work/missing.cab" ] && fail "output left behind for a missing folder"
mkdir "$work/empty"
"$pack" "$work/empty" "$work/empty.cab" 2>/dev/null && fail "an empty folder was packed"
[ -e "$work/empty.cab" ] && fail "output left behind for an empty folder"

if [ $failures -eq 0 ]; then echo "pack_cabinet: all checks passed"; fi
exit $((failures > 0))
