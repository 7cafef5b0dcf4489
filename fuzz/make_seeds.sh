#!/usr/bin/env bash
# Remakes the seed corpus in fuzz/seeds: small valid BMP files at every
# depth, written by this library (korvelgraph convert), by other encoders
# (the test fixtures) and by hand (16 bits without masks, a cut file).
# Inputs the fuzzer found worth keeping (found-*) are left as they are.
#
#   fuzz/make_seeds.sh build/release/tools/korvelgraph
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
data=$here/../tests/data
seeds=$here/seeds
mkdir -p "$seeds"

cp "$data"/*.bmp "$seeds"/
for depth in 1 4 8 16 24 32; do
  "$program" convert "$data/pillow-24bit-7x5.bmp" "$seeds/ours-${depth}bit-7x5.bmp" --depth "$depth"
done
"$program" convert "$data/pillow-24bit-7x5.bmp" "$seeds/ours-gray-4bit-7x5.bmp" --depth 4 --gray

# 3 x 2 pixels at 16 bits, 5-5-5 without masks (biCompression 0).
printf '\x42\x4d\x46\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00\x03\x00\x00\x00\x02\x00\x00\x00\x01\x00\x10\x00\x00\x00\x00\x00\x10\x00\x00\x00\xc4\x0e\x00\x00\xc4\x0e\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\x7f\x00\x7c\xe0\x03\x00\x00\x1f\x00\x00\x00\x55\x55\x00\x00' >"$seeds/hand-16bit-555-3x2.bmp"
# A 24-bit file that ends inside its second row.
head -c 70 "$seeds/ours-24bit-7x5.bmp" >"$seeds/hand-24bit-cut.bmp"
ls "$seeds"
