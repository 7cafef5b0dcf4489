#!/usr/bin/env bash
# The whole test suite again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer in build/sanitize: any report fails the test
# that caused it (the sanitize preset stops at the first report).
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --workflow --preset sanitize
