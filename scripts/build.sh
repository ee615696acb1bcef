#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh [DIR] [extra cmake options...]
# Warnings are errors here (a plain cmake build only shows them); the default
# build type is Release (what users and packagers run, and one build the run
# and test commands share), and a later -DCMAKE_BUILD_TYPE=... wins.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVIZ_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
