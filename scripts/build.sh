#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh [DIR] [extra cmake options...]
# Warnings are errors here (a plain cmake build only shows them); the default
# build type is Release (what users and packagers run, and one build the run
# and test commands share), and a later -DCMAKE_BUILD_TYPE=... wins.
# VIZ_BUILD_TARGET=name builds that target alone.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
launcher=()
# A developer's compiler cache, where one is installed, serves every clone
# of the project alike; a fresh machine has none and builds as before.
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=$PWD
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVIZ_WERROR=ON "${launcher[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)" ${VIZ_BUILD_TARGET:+--target "$VIZ_BUILD_TARGET"}
