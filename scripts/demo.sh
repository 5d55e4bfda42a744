#!/usr/bin/env bash
# Installs what is missing, builds the optimised command and runs `today demo`: a sample plan with dates
# around today, added to a fresh temporary container and shown.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
build/release/tools/today/today demo "$@"
