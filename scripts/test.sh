#!/usr/bin/env bash
# From a fresh Debian 12 machine to a passing test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 300
