#!/usr/bin/env bash
# The manual page and --help name the same commands, each with the same
# options, and the same top-level options. Descriptions, argument names and
# layout are free; only the names are compared.
set -u
program=$1
manual=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Reads usage lines ("korvelgraph NAME ARGUMENTS...") on stdin and prints one
# item per command, "NAME: --option ..." with its options sorted, and one
# item per top-level option ("--help").
usage_items() {
  grep -oE 'korvelgraph +[a-z-].*' | while read -r _ name arguments; do
    if [[ $name == --* ]]; then
      grep -oE -- '--[a-z][a-z-]*' <<<"$name $arguments"
    else
      echo "$name: $(grep -oE -- '--[a-z][a-z-]*' <<<"$arguments" | sort | tr '\n' ' ')"
    fi
  done | sort -u
}

# The SYNOPSIS section of the page as plain usage lines: macro names, font
# escapes and quotes removed, each entry joined onto one line.
manual_synopsis() {
  sed -n '/^\.SH SYNOPSIS/,/^\.SH /{/^\.SH /d;p}' "$manual" |
    sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/"//g' -e 's/^\.[A-Za-z]*//' |
    awk '/^[[:space:]]*korvelgraph/ { if (line != "") print line; line = $0; next }
         { line = line " " $0 }
         END { if (line != "") print line }'
}

help_text=$("$program" --help) || fail "--help exits non-zero"
help_items=$(usage_items <<<"$help_text")
manual_items=$(manual_synopsis | usage_items)

[ -n "$help_items" ] || fail "--help lists no commands"
[ -n "$manual_items" ] || fail "the manual page's synopsis lists no commands"
if [ "$help_items" != "$manual_items" ]; then
  fail "the manual page and --help disagree (< --help, > manual page):"
  diff <(echo "$help_items") <(echo "$manual_items") | grep '^[<>]'
fi

# Every command also has its own entry under COMMANDS.
while read -r item; do
  name=${item%%:*}
  [[ $name == --* ]] && continue
  grep -qE "^\.B[IR]? +\"?$name( |\"|$)" "$manual" || fail "no COMMANDS entry for '$name'"
done <<<"$help_items"

# The page renders without warnings where groff is present.
if command -v groff >/dev/null; then
  warnings=$(groff -man -ww -z "$manual" 2>&1)
  [ -z "$warnings" ] || fail "groff warns: $warnings"
fi

[ "$failures" -eq 0 ] && echo "korvelgraph manual: all checks passed"
exit "$failures"
