#!/bin/bash
# The command line of zav-render --info: exit codes, one-line reasons, the summary's fields.
# usage: zav_render_cli_test.sh ZAV_RENDER TESTDATA_DIR
set -uo pipefail
tool=$1
testdata=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect CODE LINES-ON-STDERR ARGS...: runs the tool and checks its exit code and how many lines
# it wrote to standard error (- for any number).
expect() {
  local want=$1 lines=$2
  shift 2
  "$tool" "$@" >"$work/out" 2>"$work/err"
  local code=$?
  local got
  got=$(wc -l <"$work/err")
  if [ "$code" != "$want" ] || { [ "$lines" != - ] && [ "$got" != "$lines" ]; }; then
    echo "FAIL: zav-render $*: exit $code (want $want), $got lines on stderr (want $lines)"
    cat "$work/err"
    failures=$((failures + 1))
  fi
}

printf 'Extended Module: not really' >"$work/short.xm"
printf 'MThd\0\0\0\6' >"$work/song.mid"
: >"$work/empty.xm"
head -c 17 /dev/zero >"$work/zeros.xm"

expect 0 0 --help
expect 64 - 
expect 64 - --render
expect 64 - --info a b
expect 2 1 --info "$work/song.mid"
expect 2 1 --info "$work/short.xm"      # no channels: nothing to play
expect 2 1 --info "$work/empty.xm"
expect 2 1 --info "$work/zeros.xm"
expect 2 1 --info "$work/missing.xm"
expect 2 1 --info "$work"
expect 2 1 --info /dev/zero

if [ -d "$testdata/xm" ]; then
  for song in "$testdata"/xm/*.xm; do
    expect 0 0 --info "$song"
    for field in "song length" "restart position" "channels" "patterns" "instruments" \
                 "samples" "frequency table" "default speed" "default bpm"; do
      grep -q "^$field: " "$work/out" || { echo "FAIL: $song: no '$field' line"; failures=$((failures + 1)); }
    done
  done
else
  echo "skipped real songs: $testdata/xm is absent"
fi

[ "$failures" = 0 ] && echo "all zav-render checks passed"
exit $((failures > 0))
