#!/usr/bin/env bash
# The test suite again under the sanitizers: every test with address and
# undefined-behaviour checks, and the logic tests (channels, hand-off) with
# the thread sanitizer. Expects scripts/setup.sh to have run.
set -euo pipefail
cd "$(dirname "$0")/.."

# With debug information, so a report names its lines.
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIZ_SANITIZE=address,undefined \
  -DVIZ_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --timeout 600

VIZ_BUILD_TARGET=viz_tests bash scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVIZ_SANITIZE=thread -DVIZ_BUILD_BENCH=OFF
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j "$(nproc)" --timeout 600 \
  -L logic
