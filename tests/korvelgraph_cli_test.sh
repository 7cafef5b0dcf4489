#!/usr/bin/env bash
# The host program as a user runs it: charts, help, version and the errors.
set -u
program=$1
examples=$2
source "$(dirname "$0")/cli_helpers.sh"

for kind in bar line; do
  expect_status 0 "$kind chart" "$program" "$kind" "$examples/monthly.txt" "$work/$kind.bmp"
  [ "$(stat -c %s "$work/$kind.bmp" 2>/dev/null)" = 1440054 ] || fail "$kind chart size"
  expect_status 0 "$kind with a missing value file" "$program" "$kind" "$work/none.txt" "$work/axes.bmp"
  expect_status 1 "$kind into a missing directory" "$program" "$kind" "$examples/monthly.txt" "$work/no/x.bmp"
  grep -q "no/x.bmp" "$work/err" || fail "$kind: the error names the file"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$kind: the error is one line"
  expect_status 1 "$kind onto a full disk" "$program" "$kind" "$examples/monthly.txt" /dev/full
  expect_status 1 "$kind with too few arguments" "$program" "$kind" "$examples/monthly.txt"
done

# A chart left from an earlier run must not pass for a new one.
chmod 500 "$work" 2>/dev/null
if [ "$(id -u)" -ne 0 ]; then
  expect_status 1 "stale chart in a read-only directory" "$program" bar "$examples/monthly.txt" "$work/bar.bmp"
fi
chmod 700 "$work"

expect_status 0 "--help" "$program" --help
grep -q "korvelgraph bar VALUES.txt OUT.bmp" "$work/out" || fail "--help lists bar"
expect_status 0 "--version" "$program" --version
grep -q "^korvelgraph 1.0.0.1$" "$work/out" || fail "--version prints the version"
expect_status 1 "unknown command" "$program" frobnicate
expect_status 1 "no command" "$program"

[ "$failures" -eq 0 ] && echo "korvelgraph: all checks passed"
exit "$failures"
