#!/usr/bin/env bash
# Makes docs/main-window.png, the README's picture of the main window: the
# programmer runs under a virtual X server against the loader simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash tools/deps.sh
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" --target ds5000shot
mkdir -p "$root/docs"
xvfb-run -a -s "-screen 0 800x600x24" env QT_QPA_PLATFORM=xcb "$root/build/tools/screenshot/ds5000shot" "$root/docs/main-window.png"
echo "written: docs/main-window.png"
