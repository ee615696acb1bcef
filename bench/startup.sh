#!/usr/bin/env bash
# Start-up time to the shown main window, over repeated runs under Xvfb:
# bench/startup.sh [BUILD_DIR] [RUNS]. Reports the in-process time (program
# start to window exposed) and the whole process time (exec to exit after
# showing) of a later start, and the in-process time of a first start (empty
# settings folder), the runs of both kinds taken in turn.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-15}
out=${TMPDIR:-/tmp}/viz-startup.txt
cmake --build "$build" --target startup_bench >/dev/null
xvfb-run -a bash -c '
  for i in $(seq '"$runs"'); do
    t0=$(date +%s%N)
    inproc=$('"$build"'/bench/startup_bench 2>/dev/null | awk "{print \$2}")
    t1=$(date +%s%N)
    first=$('"$build"'/bench/startup_bench first 2>/dev/null | awk "{print \$2}")
    echo "$inproc $(( (t1 - t0) / 1000000 )) $first"
  done' > "$out"
summary() { sort -n | awk -v label="$1" '{ v[NR] = $1 } END { printf "%s ms: min %.1f median %.1f max %.1f (%d runs)\n", label, v[1], v[int((NR + 1) / 2)], v[NR], NR }'; }
awk '{ print $1 }' "$out" | summary "main to window shown"
awk '{ print $2 }' "$out" | summary "whole process (exec to exit)"
awk '{ print $3 }' "$out" | summary "first start: main to window shown"
