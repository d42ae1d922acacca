#!/usr/bin/env bash
# Runs `quellaro_e2e.exe MODE` in a headless Wine desktop and takes the
# pictures it asks for: a line "SCREENSHOT NAME [WxH+X+Y]" saves OUTDIR/NAME.png
# (the whole screen, or that rectangle); every other line is printed. The
# program gets OUTDIR as its second argument, in Windows' spelling, so that it
# can wait for a picture to be there before it goes on.
# Usage: wine-showcase.sh MODE OUTDIR  (QUELLARO_WINE_LOCALE=zh_CN.UTF-8 for a Chinese system)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=$1
outdir=$2
mkdir -p "$outdir"
outdir=$(realpath "$outdir")
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  source cmake/wine-prefix.sh
  start_wine_desktop
  folder=$("${wine_env[@]}" "$WINE" winepath -w "$2" </dev/null | tr -d "\r")
  "${wine_env[@]}" "$WINE" build/windows-x64/quellaro_e2e.exe "$1" "$folder" | while IFS= read -r line; do
    line=${line%$'"'"'\r'"'"'}
    if [[ $line == SCREENSHOT* ]]; then
      read -r _ name area <<<"$line"
      import -window root ${area:+-crop "$area"} "$2/$name.png" && echo "Screenshot: $2/$name.png"
    else
      echo "$line"
    fi
  done
  status=${PIPESTATUS[0]}
  "$WINESERVER" -k 2>/dev/null || true
  exit "$status"
' showcase "$mode" "$outdir"
