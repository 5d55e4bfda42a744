#!/usr/bin/env bash
# Installs what is missing, builds every test under AddressSanitizer and UndefinedBehaviorSanitizer and
# runs them all, then runs the concurrency tests under ThreadSanitizer. Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
cmake --preset tsan
cmake --build --preset tsan --target today_concurrency_tests
ctest --preset tsan
