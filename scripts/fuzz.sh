#!/usr/bin/env bash
# Fuzzes the plot's line parser with libFuzzer: scripts/fuzz.sh [SECONDS]
# (default 60). Needs clang with its fuzzer runtime (Debian: clang); builds
# only the fuzz target in build-fuzz and runs it in a temporary folder, so
# crash files and the corpus stay out of the checkout.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVIZ_FUZZ=ON -DVIZ_BUILD_BENCH=OFF -DVIZ_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --target plot_fuzz
fuzzer=$(pwd)/build-fuzz/tests/fuzz/plot_fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
printf 'a:1.5,b=-2e3\r\n0x1F 7;8\n' >"$work/corpus/seed"
cd "$work"
"$fuzzer" -max_total_time="$seconds" -max_len=70000 -print_final_stats=1 corpus
