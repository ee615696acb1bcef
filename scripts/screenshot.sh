#!/usr/bin/env bash
# One PNG per tab of the main window, named after the page's command line
# name (serial.png, net.png, ...), the virtual board's window (board.png),
# the serial page's plot window (plot.png) and the download window after a
# download (flash.png, with the tests' stand-in for avrdude):
# scripts/screenshot.sh [OUTPUT_FOLDER] [BUILD_DIR]
# The default folder is docs/images, the pictures the guide and the README
# show: run this after a page changes and commit what it changed.
# The program pictures the pages offscreen with throw-away settings and
# working folder, automatic update off, one window size and the WenQuanYi
# fonts, after putting them into a working state (a board on a
# pseudo-terminal printing readings for the plot, boards on 127.0.0.1);
# pngquant then reduces each picture to a 256-colour palette, which looks
# the same and keeps it small.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs/images}")
build=${2:-build}
if ! command -v pngquant >/dev/null 2>&1; then
  echo "pngquant is missing: run scripts/setup.sh" >&2
  exit 1
fi
cmake --build "$build" --target viz_screenshots >/dev/null
program=$(realpath "$build/scripts/screenshots/viz_screenshots")

raw=$(mktemp -d)
trap 'rm -rf "$raw"' EXIT
(cd "$raw" && "$program" pictures >/dev/null)
mkdir -p "$out"
for picture in "$raw"/pictures/*.png; do
  pngquant --force --strip --speed 1 --nofs 256 --output "$out/$(basename "$picture")" "$picture"
  echo "$out/$(basename "$picture")"
done
