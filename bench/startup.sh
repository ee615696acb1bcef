#!/usr/bin/env bash
# Start-up time to the shown main window, over repeated runs under Xvfb:
# bench/startup.sh [BUILD_DIR] [RUNS]. Each run starts, in turn, a bare
# toolkit window with one label (the yardstick), a later start of the
# program and a first start (empty settings folder), all on the same display.
# Reports the in-process time (program start to window exposed and drawn) of
# each and the whole process time (exec to exit after showing) of the bare
# window and of a later start, with the program's medians as ratios to the
# bare window's.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-15}
out=${TMPDIR:-/tmp}/viz-startup.txt
cmake --build "$build" --target startup_bench bare_window_bench >/dev/null
xvfb-run -a bash -c '
  timed() { local t0 t1 inproc; t0=$(date +%s%N); inproc=$("$@" 2>/dev/null | awk "{print \$2}"); t1=$(date +%s%N); echo "$inproc $(( (t1 - t0) / 1000000 ))"; }
  for i in $(seq '"$runs"'); do
    echo "$(timed '"$build"'/bench/bare_window_bench) $(timed '"$build"'/bench/startup_bench) $(timed '"$build"'/bench/startup_bench first)"
  done' > "$out"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
summary() { sort -n | awk -v label="$1" '{ v[NR] = $1 } END { printf "%s ms: min %.1f median %.1f max %.1f (%d runs)\n", label, v[1], v[int((NR + 1) / 2)], v[NR], NR }'; }
awk '{ print $1 }' "$out" | summary "bare window: main to window shown"
awk '{ print $3 }' "$out" | summary "main to window shown"
awk '{ print $5 }' "$out" | summary "first start: main to window shown"
awk '{ print $2 }' "$out" | summary "bare window: whole process"
awk '{ print $4 }' "$out" | summary "whole process (exec to exit)"
bare=$(awk '{ print $1 }' "$out" | median)
bareProcess=$(awk '{ print $2 }' "$out" | median)
awk -v bare="$bare" -v later="$(awk '{ print $3 }' "$out" | median)" -v first="$(awk '{ print $5 }' "$out" | median)" \
    -v bareProcess="$bareProcess" -v process="$(awk '{ print $4 }' "$out" | median)" 'BEGIN {
  printf "ratio to bare window (medians): later start %.2f, first start %.2f, whole process %.2f\n",
         later / bare, first / bare, process / bareProcess }'
