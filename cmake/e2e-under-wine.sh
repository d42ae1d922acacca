#!/usr/bin/env bash
# Runs the end-to-end tests inside an X display (call it through xvfb-run):
# one Wine prefix, one persistent wineserver for the whole run.
set -uo pipefail
cd "$(dirname "$0")/.."
source cmake/wine-prefix.sh
start_wine_desktop
ctest --preset windows-x64 "$@"
status=$?
"$WINESERVER" -k 2>/dev/null || true
exit $status
