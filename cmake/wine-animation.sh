#!/usr/bin/env bash
# Makes the README's animation: `quellaro_e2e.exe --animation` plays the
# scene with real input under Wine in Xvfb, as a Simplified Chinese system
# unless QUELLARO_WINE_LOCALE says otherwise, and cmake/wine-showcase.sh
# takes the frames it asks for. ImageMagick then draws on each frame what a
# screen grab leaves out (the mouse pointer, a ring where it clicked, the key
# pressed) and a caption below, and writes them as one looping GIF.
#   wine-animation.sh OUT.gif    (after the windows-x64 build)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$1
frames=build/animation-frames
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
rm -rf "$frames"
mkdir -p "$frames"
export QUELLARO_WINE_LOCALE=${QUELLARO_WINE_LOCALE-zh_CN.UTF-8}
bash cmake/wine-showcase.sh --animation "$frames" | tee "$frames/log.txt"

strip=44  # the caption's height below the scene
sequence=()
while read -r _ name delay pointer click key caption; do
  read -r width height < <(identify -format '%w %h\n' "$frames/$name.png")
  draw=(-fill none -stroke none)
  if [ "$pointer" != - ]; then
    IFS=, read -r x y <<<"$pointer"
    if [ "$click" = click ]; then
      draw+=(-stroke '#e8542f' -strokewidth 3 -draw "circle $x,$y $((x + 13)),$y")
    fi
    # The arrow pointer, its tip on the spot.
    draw+=(-fill white -stroke black -strokewidth 1 -draw "polygon $x,$y $x,$((y + 17)) $((x + 4)),$((y + 13))
      $((x + 7)),$((y + 20)) $((x + 10)),$((y + 19)) $((x + 7)),$((y + 12)) $((x + 12)),$((y + 12))")
  fi
  keycap=()
  if [ "$key" != - ]; then
    # A key cap in the caption's right corner: a light face over a darker edge.
    keycap=(\( -size 64x34 xc:none -fill '#8c8c8c' -draw "roundrectangle 1,4 62,32 7,7"
      -fill white -stroke '#8c8c8c' -strokewidth 1 -draw "roundrectangle 1,1 62,28 7,7"
      -font "$font" -pointsize 18 -fill '#202020' -stroke '#202020' -strokewidth 0.6 -gravity center
      -annotate +0-2 "$key" \) -gravity southeast -geometry +14+5 -composite)
  fi
  convert "$frames/$name.png" +repage "${draw[@]}" \
    -background '#f3f3f3' -gravity south -splice 0x$strip -gravity southwest \
    -font "$font" -stroke none -fill '#202020' -pointsize 19 -annotate +14+12 "$caption" \
    "${keycap[@]}" "$frames/$name-shown.png"
  sequence+=(-delay $((delay / 10)) "$frames/$name-shown.png")
done < <(grep '^FRAME ' "$frames/log.txt")
[ ${#sequence[@]} -gt 0 ] || { echo "wine-animation: no frames"; exit 1; }

# One palette for all frames, no dithering: flat colours and crisp text, and
# only what changes from frame to frame is stored.
convert -loop 0 "${sequence[@]}" +dither +remap -layers Optimize "$out"
echo "Animation: $out, $(identify "$out" | wc -l) frames, $(stat -c %s "$out") bytes"
