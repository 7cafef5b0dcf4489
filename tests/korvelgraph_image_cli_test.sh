#!/usr/bin/env bash
# korvelgraph info and convert as a user runs them: the header fields, every
# depth, the gray table, and the errors.
set -u
program=$1
examples=$2
data=$3
source "$(dirname "$0")/cli_helpers.sh"

expect_error() {  # description command...: exit status 1 and a one-line message
  expect_status 1 "$@"
  [ "$(wc -l <"$work/err")" -eq 1 ] || fail "$1: the error is one line"
}
field() { sed -n "s/^$1: //p" "$work/out"; }
bytes_at() { od -An -tu1 -j "$1" -N "$2" "$3" | tr -s ' ' | sed 's/^ //'; }

"$program" bar "$examples/monthly.txt" "$work/chart.bmp" || fail "drawing the input chart"

expect_status 0 "info of a chart" "$program" info "$work/chart.bmp"
cat >"$work/expected" <<'END'
bfType: 0x4D42
bfSize: 1440054
bfOffBits: 54
biWidth: 800
biHeight: 600
biBitCount: 24
biCompression: 0
biSizeImage: 1440000
resolution: 3780 x 3780 pixels per metre
END
cmp -s "$work/out" "$work/expected" || fail "info of a chart prints: $(cat "$work/out")"

expect_status 0 "info of a file with a short table" "$program" info "$data/pillow-8bit-11x5-short-table.bmp"
[ "$(field bfOffBits)" = 82 ] && [ "$(field biBitCount)" = 8 ] && [ "$(field biWidth)" = 11 ] ||
  fail "info of the 8-bit fixture: $(cat "$work/out")"

# Every depth: the file size and the depth the probes see.
for case in 1:60062 4:240118 8:481078 16:960066 24:1440054 32:1920054; do
  depth=${case%%:*} size=${case#*:}
  expect_status 0 "convert to $depth bits" "$program" convert "$work/chart.bmp" "$work/d$depth.bmp" --depth "$depth"
  [ "$(stat -c %s "$work/d$depth.bmp" 2>/dev/null)" = "$size" ] || fail "$depth bits: file size"
  expect_status 0 "info at $depth bits" "$program" info "$work/d$depth.bmp"
  [ "$(field biBitCount)" = "$depth" ] || fail "$depth bits: biBitCount $(field biBitCount)"
done
# The red bars of the chart are in both standard tables: back at 24 bits
# the picture is the chart again.
expect_status 0 "convert 8 bits back to 24" "$program" convert "$work/d8.bmp" "$work/back.bmp" --depth 24
cmp -s "$work/back.bmp" "$work/chart.bmp" || fail "8 bits and back changed the chart"
expect_status 0 "convert keeps the depth" "$program" convert "$work/d4.bmp" "$work/same.bmp"
cmp -s "$work/same.bmp" "$work/d4.bmp" || fail "a 4-bit file saved again differs"

expect_status 0 "gray table at 8 bits" "$program" convert "$work/chart.bmp" "$work/gray.bmp" --gray --depth 8
[ "$(bytes_at $((54 + 4 * 200)) 4 "$work/gray.bmp")" = "200 200 200 0" ] || fail "gray entry 200"
[ "$(bytes_at $((54 + 4 * 255)) 4 "$work/gray.bmp")" = "255 255 255 0" ] || fail "gray entry 255"
expect_status 0 "gray table at 4 bits" "$program" convert "$work/chart.bmp" "$work/gray4.bmp" --depth 4 --gray
[ "$(bytes_at $((54 + 4 * 3)) 4 "$work/gray4.bmp")" = "51 51 51 0" ] || fail "gray entry 3 of 16"
expect_status 0 "16-bit bit fields to 24 bits" "$program" convert "$data/magick-16bit-565-7x5.bmp" "$work/565.bmp" --depth 24

# Rescale: the new size per mode, combined with a depth; the result is 24-bit
# unless a depth is asked for.
for case in "P 50:400:300:24" "p 200:1600:1200:24" "W 160:160:120:8" "H 75:100:75:24" "f 100:100:75:4"; do
  IFS=: read -r rescale width height depth <<<"$case"
  set -- --rescale $rescale
  [ "$depth" = 24 ] || set -- "$@" --depth "$depth"
  expect_status 0 "rescale $rescale" "$program" convert "$work/chart.bmp" "$work/r.bmp" "$@"
  "$program" info "$work/r.bmp" >"$work/out" 2>/dev/null
  [ "$(field biWidth)x$(field biHeight)@$(field biBitCount)" = "${width}x${height}@$depth" ] ||
    fail "rescale $rescale: $(field biWidth)x$(field biHeight)@$(field biBitCount)"
done
expect_status 0 "rescale to 100 percent" "$program" convert "$work/chart.bmp" "$work/r.bmp" --rescale P 100
cmp -s "$work/r.bmp" "$work/chart.bmp" || fail "P 100 changed the chart"
expect_status 0 "rescale an indexed file" "$program" convert "$work/d8.bmp" "$work/r.bmp" --rescale P 25
"$program" info "$work/r.bmp" >"$work/out" 2>/dev/null
[ "$(field biBitCount)" = 24 ] || fail "a rescaled 8-bit file is written at 24 bits"
for bad in "X 50" "PP 50" "P 0" "P -5" "P 12x" "W 99999999999"; do
  expect_error "rescale '$bad'" "$program" convert "$work/chart.bmp" "$work/x.bmp" --rescale $bad
done
expect_error "rescale without a size" "$program" convert "$work/chart.bmp" "$work/x.bmp" --rescale P
expect_error "rescale too large" "$program" convert "$work/chart.bmp" "$work/x.bmp" --rescale P 2000000000

# Errors.
printf 'BM' >"$work/short.bmp"
printf 'just some text, long enough to hold the two headers of a bitmap file.\n' >"$work/text.bmp"
expect_error "info of a missing file" "$program" info "$work/none.bmp"
grep -q "none.bmp" "$work/err" || fail "the error names the missing file"
expect_error "info of a directory" "$program" info "$work"
expect_error "info of a short file" "$program" info "$work/short.bmp"
expect_error "info of a text file" "$program" info "$work/text.bmp"
expect_error "info without a file" "$program" info
expect_error "convert a missing file" "$program" convert "$work/none.bmp" "$work/x.bmp"
expect_error "convert a text file" "$program" convert "$work/text.bmp" "$work/x.bmp"
grep -q "rejected" "$work/err" || fail "a text file is reported as rejected"
for depth in 0 2 7 64 -8 abc 8x ""; do
  expect_error "unknown depth '$depth'" "$program" convert "$work/chart.bmp" "$work/x.bmp" --depth "$depth"
  grep -q "unknown depth" "$work/err" || fail "depth '$depth': message"
done
expect_error "gray at 24 bits" "$program" convert "$work/chart.bmp" "$work/x.bmp" --gray
expect_error "depth without a value" "$program" convert "$work/chart.bmp" "$work/x.bmp" --depth
expect_error "unknown option" "$program" convert "$work/chart.bmp" "$work/x.bmp" --fast
expect_error "one file only" "$program" convert "$work/chart.bmp"
expect_error "three files" "$program" convert "$work/chart.bmp" "$work/x.bmp" "$work/y.bmp"
expect_error "output into a missing directory" "$program" convert "$work/chart.bmp" "$work/no/x.bmp"
grep -q "no/x.bmp" "$work/err" || fail "the error names the output"
expect_error "output onto a full disk" "$program" convert "$work/chart.bmp" /dev/full

expect_status 0 "--help" "$program" --help
grep -q "korvelgraph convert IN.bmp OUT.bmp \[--depth N\] \[--gray\] \[--rescale MODE SIZE\]" "$work/out" || fail "--help lists convert"
grep -q "korvelgraph info FILE.bmp" "$work/out" || fail "--help lists info"

[ "$failures" -eq 0 ] && echo "korvelgraph info/convert: all checks passed"
exit "$failures"
