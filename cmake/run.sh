#!/usr/bin/env bash
# Builds Quellaro.exe and starts it under Wine. With no display (a server,
# a container) it runs headless under Xvfb instead: pins and unpins a demo
# window with F8, prints what happened and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
bash cmake/deps-debian.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64

if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != "--headless" ]; then
  source cmake/wine-prefix.sh
  echo "Starting Quellaro: build/windows-x64/Quellaro.exe (focus any window and press F8)"
  exec "$WINE" build/windows-x64/Quellaro.exe
fi

screenshot=$PWD/build/quellaro-demo.png
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  source cmake/wine-prefix.sh
  start_wine_desktop
  "$WINE" build/windows-x64/quellaro_e2e.exe --showcase | while IFS= read -r line; do
    line=${line%$'"'"'\r'"'"'}
    if [ "$line" = SCREENSHOT ]; then
      import -window root "$1" && echo "Screenshot of the pinned window: $1"
    else
      echo "$line"
    fi
  done
  "$WINESERVER" -k 2>/dev/null || true
' run "$screenshot"
