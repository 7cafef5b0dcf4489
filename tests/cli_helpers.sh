# Sourced by the host-program test scripts: a scratch directory $work that
# is removed at the end, failure counting, and exit-status checks that keep
# the program's output in $work/out and $work/err.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expect_status() {  # expected-status description command...
  local want=$1 what=$2
  shift 2
  "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" -eq "$want" ] || fail "$what: exit $got, expected $want ($(cat "$work/err"))"
}
