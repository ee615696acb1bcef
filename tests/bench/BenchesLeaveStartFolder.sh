#!/usr/bin/env bash
# Every bench that drives a page, run briefly from an empty folder, must end
# with its data intact (exit 0) and leave that folder as empty as it found it:
# pages write their capture, output and log files into the working directory,
# and a bench started from a checkout must not leave them there.
#   BenchesLeaveStartFolder.sh BENCH_BUILD_DIR
set -uo pipefail
bench=$1
start=$(mktemp -d)
log=$(mktemp)
trap 'rm -rf "$start" "$log"' EXIT
cd "$start" || exit 1
export QT_QPA_PLATFORM=offscreen

runs=(
  "terminal_bench --mb 1"
  "kept_lines_bench --mb 1 --rounds 1 --kept 2000"
  "serial_page_bench --mb 1"
  "plot_page_bench --seconds 2 --burst-kb 100 --ring 1000"
  "serial_reconnect_bench --cycles 2"
  "net_page_bench --mb 1"
  "send_bench --tcp-mb 1 --serial-mb 1 --rounds 1"
  "send_edit_bench --kib 64 --keys 4 --plain-kib 4"
  "usb_page_bench --reports 1000"
  "server_page_bench --clients 10 --kib 1 --cycles 1"
  "conversion_bench --mb 1 --side 64"
  "sermon_bench --mb 1"
  "update_download_bench --mb 1 --rounds 1"
  "startup_bench"
)
failed=0
for run in "${runs[@]}"; do
  read -r -a command <<<"$run"
  if ! "$bench/${command[0]}" "${command[@]:1}" >"$log" 2>&1; then
    echo "$run failed:"
    cat "$log"
    failed=1
  fi
  left=$(find "$start" -mindepth 1)
  if [ -n "$left" ]; then
    echo "$run left files in the folder it was started from:"
    echo "$left"
    find "$start" -mindepth 1 -delete
    failed=1
  fi
done
exit $failed
