#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build/fuzz and runs each for 60 seconds
# from the seed corpus. A crash, a leak, a sanitizer report, a broken
# invariant, a timeout or running out of memory fails the stage; the input
# that did it is kept in build/fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${KORVEL_FUZZ_SECONDS:-60}

cmake --preset fuzz
cmake --build --preset fuzz

artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in load_bmp_fuzzer probe_fuzzer; do
  mkdir -p "$work/$target"
  echo "fuzzing $target for $seconds s"
  # The first corpus directory takes new inputs; the committed seeds stay
  # as they are.
  if ! build/fuzz/fuzz/$target -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
      "$work/$target" fuzz/seeds >"$work/$target.log" 2>&1; then
    tail -n 60 "$work/$target.log"
    echo "30-fuzz: $target failed; the input is in $artifacts" >&2
    exit 1
  fi
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
  echo "$target: $executions executions, corpus $(ls "$work/$target" | wc -l) new inputs, no findings"
done
