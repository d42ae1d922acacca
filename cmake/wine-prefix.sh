#!/usr/bin/env bash
# Sourced: prepares a Wine prefix for Quellaro (a 1024x768 virtual desktop,
# so windows have title bars; outline CJK fonts; Wine's Marlett) and exports
# what wine needs. Expects DISPLAY to be set.
#
# QUELLARO_WINE_LOCALE=zh_CN.UTF-8 makes it a Simplified Chinese system, as
# Quellaro's users run it (ANSI code page 936, locale 0804), in a prefix of
# its own. No glibc locale is needed: Wine reads the name from LC_ALL (LANG
# alone leaves Wine 8 at code page 1252). Run Wine through "${wine_env[@]}",
# which sets both only for the command it runs, since bash warns about a
# locale it does not have.
# Wine wants a home directory even when the prefix is given.
export HOME=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
QUELLARO_WINE_LOCALE=${QUELLARO_WINE_LOCALE:-}
wine_env=()
if [ -n "$QUELLARO_WINE_LOCALE" ]; then
  wine_env=(env "LANG=$QUELLARO_WINE_LOCALE" "LC_ALL=$QUELLARO_WINE_LOCALE")
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix-$QUELLARO_WINE_LOCALE}
else
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix}
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINE=/usr/lib/wine/wine64
export WINESERVER=/usr/lib/wine/wineserver

ready="$WINEPREFIX/.quellaro-ready-3"
if [ ! -f "$ready" ]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "${wine_env[@]}" "$WINE" wineboot -i >/dev/null 2>&1 || true
  "$WINESERVER" -w
  # Wine as Debian packages it does not load the fonts it ships; Marlett
  # draws the caption buttons, which show as "0 1 r" without it.
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  # WenQuanYi Zen Hei's embedded bitmaps draw with strokes missing at 11 and
  # 12 pixels; Micro Hei is outlines only. It stands in for SimSun (宋体) and
  # for the fonts of the title bars and message boxes.
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
"宋体"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"NSimSun"="WenQuanYi Micro Hei"
"Tahoma"="WenQuanYi Micro Hei"
"MS Shell Dlg"="WenQuanYi Micro Hei"
"MS Shell Dlg 2"="WenQuanYi Micro Hei"
REG
  } >"$reg"
  "${wine_env[@]}" "$WINE" regedit "$reg" >/dev/null 2>&1
  "$WINESERVER" -w
  rm -f "$reg"
  touch "$ready"
fi

# Starts the virtual desktop before any test program does: the first Wine GUI
# process starts it otherwise, and it would inherit (and hold open) that
# program's output for as long as the desktop lives. A throwaway notepad,
# its output going nowhere, starts it here.
start_wine_desktop() {
  "$WINESERVER" -p
  "${wine_env[@]}" "$WINE" notepad >/dev/null 2>&1 </dev/null &
  for _ in $(seq 100); do
    pgrep -f 'system32.explorer.exe' >/dev/null && break
    sleep 0.1
  done
  # A kill that comes before notepad is running misses it, and it would then
  # stand on the desktop, in the tests' way and in the pictures: wait for it.
  for _ in $(seq 50); do
    pgrep -f 'notepad\.exe' >/dev/null && break
    sleep 0.1
  done
  for _ in 1 2 3; do
    "${wine_env[@]}" "$WINE" taskkill /f /im notepad.exe >/dev/null 2>&1 </dev/null || true
    pgrep -f 'notepad\.exe' >/dev/null || break
    sleep 0.2
  done
}
