#!/usr/bin/env bash
# Runs the end-to-end tests inside an X display (call it through xvfb-run):
# one Wine prefix, one persistent wineserver for the whole run. With
# QUELLARO_WINE_LOCALE=zh_CN.UTF-8 they run as on a Simplified Chinese system,
# and the test driver refuses to run if Wine did not give it code page 936.
# Wine reports its errors: an "err:" line fails the test it appeared in.
set -uo pipefail
cd "$(dirname "$0")/.."
export WINEDEBUG=-all,err+all
source cmake/wine-prefix.sh
if [ -n "$QUELLARO_WINE_LOCALE" ]; then
  export QUELLARO_EXPECT_CODE_PAGE=936
fi
start_wine_desktop
"${wine_env[@]}" ctest --preset windows-x64 "$@"
status=$?
"$WINESERVER" -k 2>/dev/null || true
exit $status
