#!/usr/bin/env bash
# Sourced: prepares a Wine prefix for Quellaro (a 1024x768 virtual desktop,
# so windows have title bars; SimSun mapped to an installed CJK font) and
# exports what wine needs. Expects DISPLAY to be set.
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver

if [ ! -f "$WINEPREFIX/.quellaro-ready" ]; then
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
  touch "$WINEPREFIX/.quellaro-ready"
fi
