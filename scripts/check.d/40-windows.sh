#!/usr/bin/env bash
# Windows: cross-builds KORVELGRAPHLINE.dll with mingw-w64, checks its export
# table, its imports and its resources, and runs a Windows host of it under
# wine. The charts it draws (examples and generated value files) and the
# value parser's results over generated numbers must be byte-identical to
# those of the Linux build. Skipped, with a message, when the cross tools
# are not installed (scripts/packages.d/platforms.list lists them).
set -euo pipefail
cd "$(dirname "$0")/../.."

cross=x86_64-w64-mingw32
for tool in $cross-g++-posix $cross-windres $cross-widl $cross-objdump wine wineserver python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "40-windows: skipped: $tool is not installed"
    exit 0
  fi
done

fail() {
  echo "40-windows: FAILED: $*" >&2
  exit 1
}

work=$(mktemp -d)
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "--- building the Linux reference and the Windows DLL"
cmake --preset release >/dev/null
cmake --build --preset release --target korvelgraph korvel_value_dump
cmake --workflow --preset windows >/dev/null
native=build/release
windows=build/windows
dll=$windows/KORVELGRAPHLINE.dll

echo "--- export table and imports"
table=$($cross-objdump -p "$dll")
exports=$(sed -n '/^The Export Tables/,/^The Function Table/p' <<<"$table")
grep -Eq '^Name[[:space:]]+[0-9a-f]+ KORVELGRAPHLINE\.dll$' <<<"$exports" ||
  fail "the export directory does not name the module KORVELGRAPHLINE.dll"
grep -Eq '^Ordinal Base[[:space:]]+1$' <<<"$exports" || fail "the ordinal base is not 1"
addresses=$(grep -Ec '^[[:space:]]+\[ *[0-9]+\] \+base\[ *[0-9]+\]' <<<"$exports" || true)
[ "$addresses" = 2 ] || fail "the export address table has $addresses entries, not 2"
# Name pointer entries are "[index] name", the ordinal being base + index.
names=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$exports" |
  sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' | tr '\n' ';')
[ "$names" = "0 GraphBar;1 GraphLine;" ] ||
  fail "exported names are '$names', not GraphBar at ordinal 1 and GraphLine at 2"
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$table" | tr '\n' ' ')
for import in $imports; do
  grep -Eiq '^(kernel32|msvcrt|api-ms-win-[a-z0-9-]+)\.dll$' <<<"$import" ||
    fail "the DLL needs $import, which a Windows system does not provide"
done
echo "exports: GraphBar @1, GraphLine @2 of KORVELGRAPHLINE.dll; imports: $imports"

echo "--- resources"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' $windows/CMakeCache.txt)
python3 tests/platforms/check_pe_resources.py "$dll" library/korvelgraphline.idl "$version"

echo "--- charts and parsed values under wine, against the Linux build"
python3 tests/platforms/make_value_files.py "$work/inputs"
values=(examples/*.txt "$work"/inputs/values/*.txt)
mkdir -p "$work/linux" "$work/windows"
for file in "${values[@]}"; do
  name=$(basename "$file" .txt)
  $native/tools/korvelgraph bar "$file" "$work/linux/$name-bar.bmp"
  $native/tools/korvelgraph line "$file" "$work/linux/$name-line.bmp"
done
$native/tests/platforms/korvel_value_dump "$work/inputs/numbers.txt" "$work/linux/numbers.hex"

wineboot --init >/dev/null 2>&1 || true  # the first start of a prefix is slow
wine $windows/tests/platforms/korvel_chart_host.exe "$dll" "$work/windows" "${values[@]}" |
  tee "$work/host.log"
# The ANSI code page under wine is 1252 unless a locale says otherwise.
grep -q ', 1 more under non-ASCII names' "$work/host.log" ||
  fail "no chart was drawn under a non-ASCII name"
wine $windows/tests/platforms/korvel_value_dump.exe "$work/inputs/numbers.txt" \
  "$work/windows/numbers.hex"

compared=0
for reference in "$work"/linux/*; do
  result="$work/windows/$(basename "$reference")"
  [ -f "$result" ] || fail "$(basename "$reference") was not written on Windows"
  cmp "$reference" "$result" || fail "$(basename "$reference") differs between Linux and Windows"
  compared=$((compared + 1))
done
lines=$(wc -l <"$work/linux/numbers.hex")
echo "40-windows: $((compared - 1)) charts and $lines parsed values identical to the Linux build"
