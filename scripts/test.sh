#!/usr/bin/env bash
# Installs what is missing, builds every test under AddressSanitizer and UndefinedBehaviorSanitizer and
# runs them all (with a smoke run of the benchmarks), then runs the concurrency tests under
# ThreadSanitizer. Warnings are errors. Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset asan -DTODAY_BUILD_BENCHMARKS=ON -DTODAY_WERROR=ON
cmake --build --preset asan
ctest --preset asan
cmake --preset tsan -DTODAY_WERROR=ON
cmake --build --preset tsan --target today_concurrency_tests
ctest --preset tsan
