#!/usr/bin/env bash
# Start-up time to the shown main window, over repeated runs under Xvfb:
# bench/startup.sh [BUILD_DIR] [RUNS]. Reports the in-process time (main to
# window exposed) and the whole process time (exec to exit after showing).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-15}
cmake --build "$build" --target startup_bench >/dev/null
xvfb-run -a bash -c '
  for i in $(seq '"$runs"'); do
    t0=$(date +%s%N)
    inproc=$('"$build"'/bench/startup_bench 2>/dev/null | awk "{print \$2}")
    t1=$(date +%s%N)
    echo "$inproc $(( (t1 - t0) / 1000000 ))"
  done' > "${TMPDIR:-/tmp}/viz-startup.txt"
summary() { sort -n | awk -v label="$1" '{ v[NR] = $1 } END { printf "%s ms: min %.1f median %.1f max %.1f (%d runs)\n", label, v[1], v[int((NR + 1) / 2)], v[NR], NR }'; }
awk '{ print $1 }' "${TMPDIR:-/tmp}/viz-startup.txt" | summary "main to window shown"
awk '{ print $2 }' "${TMPDIR:-/tmp}/viz-startup.txt" | summary "whole process (exec to exit)"
