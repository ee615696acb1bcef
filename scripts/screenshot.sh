#!/usr/bin/env bash
# One PNG per tab of the main window: scripts/screenshot.sh [OUTPUT_FOLDER] [BUILD_DIR]
# Uses a throw-away settings folder with automatic update off, so nothing
# goes to the network and the user's own settings are never touched; the
# window runs in that folder, so no file a page writes lands in the checkout.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshots}")
build=${2:-build}
cmake --build "$build" --target viz_screenshots >/dev/null
program=$(realpath "$build/scripts/screenshots/viz_screenshots")

settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
mkdir -p "$settings/Vizuruv"
printf '[Vizuruv]\nAutoUpdate=dword:0\n' > "$settings/Vizuruv/Vizuruv.conf"

export XDG_CONFIG_HOME=$settings
cd "$settings"
if command -v xvfb-run >/dev/null 2>&1; then
  xvfb-run -a -s "-screen 0 1280x900x24" "$program" "$out"
else
  QT_QPA_PLATFORM=offscreen "$program" "$out"
fi
