#!/usr/bin/env bash
# Installs what is missing, builds every test under AddressSanitizer and UndefinedBehaviorSanitizer and
# runs them all (with a smoke run of the benchmarks), then the desktop check (the widget in a headless
# sway session's waybar, and its links through xdg-open), then the concurrency tests under
# ThreadSanitizer. Warnings are errors. Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset asan -DTODAY_BUILD_BENCHMARKS=ON -DTODAY_WERROR=ON
cmake --build --preset asan
ctest --preset asan
scripts/desktop-check.sh build/asan/tools/today/today
cmake --preset tsan -DTODAY_WERROR=ON
cmake --build --preset tsan --target today_concurrency_tests
ctest --preset tsan
