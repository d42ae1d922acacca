#!/usr/bin/env bash
# Sourced: prepares a Wine prefix for Quellaro (a 1024x768 virtual desktop,
# so windows have title bars; SimSun mapped to an installed CJK font) and
# exports what wine needs. Expects DISPLAY to be set.
# Wine wants a home directory even when the prefix is given.
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver

if [ ! -f "$WINEPREFIX/.quellaro-ready-2" ]; then
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i >/dev/null 2>&1 || true
  "$WINESERVER" -w
  reg=$(mktemp --suffix=.reg)
  {
    printf '\xff\xfe'
    iconv -f utf-8 -t utf-16le <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"宋体"="WenQuanYi Zen Hei"
"SimSun"="WenQuanYi Zen Hei"
"NSimSun"="WenQuanYi Zen Hei"
REG
  } >"$reg"
  "$WINE" regedit "$reg" >/dev/null 2>&1
  "$WINESERVER" -w
  rm -f "$reg"
  touch "$WINEPREFIX/.quellaro-ready-2"
fi

# Starts the virtual desktop before any test program does: the first Wine GUI
# process starts it otherwise, and it would inherit (and hold open) that
# program's output for as long as the desktop lives. A throwaway notepad,
# its output going nowhere, starts it here.
start_wine_desktop() {
  "$WINESERVER" -p
  "$WINE" notepad >/dev/null 2>&1 </dev/null &
  for _ in $(seq 100); do
    pgrep -f 'system32.explorer.exe' >/dev/null && break
    sleep 0.1
  done
  "$WINE" taskkill /f /im notepad.exe >/dev/null 2>&1 </dev/null || true
}
