#!/usr/bin/env bash
# Start-up time to the shown main window, over repeated runs under Xvfb:
# bench/startup.sh [BUILD_DIR] [RUNS]. Each run starts, in turn, a bare
# toolkit window with one label (the yardstick, bench/BareWindow.cpp), a
# later start of the program and a first start (empty settings folder), all
# on the same display. For each it reports the in-process time (program
# start to window exposed and drawn), the CPU time the process used until
# then (steadier on a busy machine) and the whole process time (exec to exit
# after showing), and the program's medians as ratios to the bare window's.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-15}
out=${TMPDIR:-/tmp}/viz-startup.txt
cmake --build "$build" --target startup_bench bare_window_bench >/dev/null
# Per run: bare window, later start, first start; each as wall ms, CPU ms, whole process ms.
xvfb-run -a bash -c '
  timed() { local t0 t1 shown; t0=$(date +%s%N); shown=$("$@" 2>/dev/null | awk "{print \$2, \$4}"); t1=$(date +%s%N); echo "${shown:-failed failed} $(( (t1 - t0) / 1000000 ))"; }
  for i in $(seq '"$runs"'); do
    echo "$(timed '"$build"'/bench/bare_window_bench) $(timed '"$build"'/bench/startup_bench) $(timed '"$build"'/bench/startup_bench first)"
  done' > "$out"
# A run that printed nothing counts as failed and is left out of the figures.
column() { awk -v c="$1" '$c != "failed" { print $c }' "$out" | sort -n; }
median() { column "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
summary() { column "$2" | awk -v label="$1" '{ v[NR] = $1 } END { printf "%s ms: min %.1f median %.1f max %.1f (%d runs)\n", label, v[1], v[int((NR + 1) / 2)], v[NR], NR }'; }
ratio() { awk -v a="$(median "$2")" -v b="$(median "$3")" -v label="$1" 'BEGIN { printf "%s: %.2f\n", label, a / b }'; }
summary "bare window: main to window shown" 1
summary "later start: main to window shown" 4
summary "first start: main to window shown" 7
summary "bare window: CPU until shown" 2
summary "later start: CPU until shown" 5
summary "first start: CPU until shown" 8
summary "bare window: whole process" 3
summary "later start: whole process" 6
echo "runs that showed no window: $(grep -c failed "$out" || true)"
ratio "ratio to the bare window, main to window shown, later start" 4 1
ratio "ratio to the bare window, main to window shown, first start" 7 1
ratio "ratio to the bare window, CPU until shown, later start" 5 2
ratio "ratio to the bare window, whole process, later start" 6 3
