#!/usr/bin/env bash
# The concurrent-load test (label "stress") under ThreadSanitizer, in a build
# tree of its own (build/tsan). The first race report stops the test and fails
# the stage (TSAN_OPTIONS=halt_on_error=1, set by the test preset).
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset tsan
cmake --build --preset tsan
# ThreadSanitizer needs a fixed address-space layout; kernels that randomise
# mappings with more bits than it expects would otherwise stop it at start.
setarch "$(uname -m)" --addr-no-randomize ctest --preset tsan
