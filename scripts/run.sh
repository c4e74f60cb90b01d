#!/usr/bin/env bash
# Installs what is missing, builds Vimbrel and starts it in a Wine desktop
# whose taskbar shows the notification area. Without a display it runs
# headless for a few seconds and leaves a screenshot of the tray.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
cd "$ROOT"

install_packages
preset=$(runnable_preset)
build "$preset" Vimbrel
exe="$ROOT/build/$preset/Vimbrel.exe"

boot_prefix "$ROOT/build/run-prefix"
loader=$(wine_loader)

if [ -n "${DISPLAY:-}" ]; then
    echo "Vimbrel runs in the Wine desktop window; use its tray icon, \"Выход\" ends it."
    "$loader" explorer /desktop=shell,1024x768 "$(winepath -w "$exe" 2>/dev/null || echo "$exe")"
    wineserver -w
    exit 0
fi

trap 'wineserver -k 2>/dev/null || true; stop_xvfb' EXIT
start_xvfb 96
"$loader" explorer /desktop=shell,1024x768 "$exe" &
sleep 8
shot="$ROOT/build/tray.png"
import -window root -crop 300x40+724+728 "$shot"
echo "No display: Vimbrel ran headless; the bottom right of its desktop is in $shot"
