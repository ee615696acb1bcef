#!/usr/bin/env bash
# From a fresh Debian 12 machine to the running program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
exec ./build/duvezer "$@"
