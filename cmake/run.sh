#!/usr/bin/env bash
# Builds Quellaro.exe, its release zip and the release kit (cmake/make-kit.sh),
# then starts it under Wine. With no display (a server, a container) it runs
# headless under Xvfb instead: pins and unpins a demo window with F8, prints
# what happened and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
bash cmake/deps-debian.sh
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64
cpack --preset windows-x64 >/dev/null
echo "Release zip: $(ls build/windows-x64/Quellaro-*-win64.zip)"
bash cmake/make-kit.sh

if [ -n "${DISPLAY:-}" ] && [ "${1:-}" != "--headless" ]; then
  source cmake/wine-prefix.sh
  echo "Starting Quellaro: build/windows-x64/Quellaro.exe (focus any window and press F8)"
  exec "$WINE" build/windows-x64/Quellaro.exe
fi

bash cmake/wine-showcase.sh --showcase build
