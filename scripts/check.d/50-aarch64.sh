#!/usr/bin/env bash
# 64-bit ARM Linux: cross-builds the library, the host program and the unit
# tests for aarch64 (GoogleTest built from its sources with the same cross
# compiler) and runs them under qemu-aarch64. Then the aarch64 host program
# draws the examples and generated value files and the value parser reads
# generated numbers; every byte must match the x86-64 build's. The compiler
# fuses multiply-adds on this target unless told not to, which is what this
# comparison guards. Skipped, with a message, when the cross tools are not
# installed (scripts/packages.d/platforms.list lists them).
set -euo pipefail
cd "$(dirname "$0")/../.."

sysroot=/usr/aarch64-linux-gnu
for tool in aarch64-linux-gnu-g++ qemu-aarch64 python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "50-aarch64: skipped: $tool is not installed"
    exit 0
  fi
done
[ -d /usr/src/googletest ] || {
  echo "50-aarch64: skipped: the GoogleTest sources (/usr/src/googletest) are not installed"
  exit 0
}

fail() {
  echo "50-aarch64: FAILED: $*" >&2
  exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

gtest=build/aarch64-googletest
if [ ! -f "$gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  echo "--- building GoogleTest for aarch64"
  cmake -S /usr/src/googletest -B build/aarch64-googletest-build \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-aarch64-linux-gnu.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PWD/$gtest" >/dev/null
  cmake --build build/aarch64-googletest-build -j2 >/dev/null
  cmake --install build/aarch64-googletest-build >/dev/null
fi

echo "--- building for aarch64 and running the tests under qemu-aarch64"
cmake --preset aarch64 >/dev/null
cmake --build --preset aarch64
ctest --preset aarch64

echo "--- charts and parsed values, against the x86-64 build"
cmake --preset release >/dev/null
cmake --build --preset release --target korvelgraph korvel_value_dump
native=build/release
arm=build/aarch64
run_arm() { qemu-aarch64 -L "$sysroot" "$@"; }

python3 tests/platforms/make_value_files.py "$work/inputs"
mkdir -p "$work/x86-64" "$work/aarch64"
compared=0
for file in examples/*.txt "$work"/inputs/values/*.txt; do
  name=$(basename "$file" .txt)
  for kind in bar line; do
    $native/tools/korvelgraph $kind "$file" "$work/x86-64/$name-$kind.bmp"
    run_arm $arm/tools/korvelgraph $kind "$file" "$work/aarch64/$name-$kind.bmp"
    cmp "$work/x86-64/$name-$kind.bmp" "$work/aarch64/$name-$kind.bmp" ||
      fail "the $kind chart of $name differs between x86-64 and aarch64"
    compared=$((compared + 1))
  done
done
$native/tests/platforms/korvel_value_dump "$work/inputs/numbers.txt" "$work/x86-64/numbers.hex"
run_arm $arm/tests/platforms/korvel_value_dump "$work/inputs/numbers.txt" "$work/aarch64/numbers.hex"
cmp "$work/x86-64/numbers.hex" "$work/aarch64/numbers.hex" ||
  fail "parsed values differ between x86-64 and aarch64"
lines=$(wc -l <"$work/x86-64/numbers.hex")
echo "50-aarch64: unit tests passed; $compared charts and $lines parsed values identical to x86-64"
