#!/usr/bin/env bash
# From a fresh Debian 12 machine to a passing test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# The Release build in build/, the one scripts/run.sh runs: what packagers and
# users build, and the optimiser's warnings with it.
bash scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 300
