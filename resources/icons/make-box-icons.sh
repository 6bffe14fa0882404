#!/bin/bash
# Draws the classic search box's toolbar icons: push-pin, settings and help as crisp black
# 12x12 glyphs (the box recolours black to the system's dark shadow colour), and the
# default engine icon (a globe) at 16, 24 and 32 pixels; larger frames for high DPI.
set -eu
out=${1:-$(dirname "$0")}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
glyph() { convert -size 12x12 xc:none +antialias -fill black -stroke none "$@"; }

glyph -draw "rectangle 4,0 8,1" -draw "rectangle 5,2 7,5" -draw "rectangle 3,6 9,7" \
  -draw "rectangle 6,8 6,11" PNG32:"$tmp/pin.png"
glyph -draw "circle 5.5,5.5 5.5,1.5" -draw "rectangle 5,0 6,11" -draw "rectangle 0,5 11,6" \
  -draw "polygon 1,2 2,1 10,9 9,10" -draw "polygon 9,1 10,2 2,10 1,9" PNG32:"$tmp/gear-full.png"
convert "$tmp/gear-full.png" \
  \( -size 12x12 xc:none +antialias -fill white -draw "circle 5.5,5.5 5.5,3.8" \) \
  -compose Dst_Out -composite PNG32:"$tmp/gear.png"
glyph -draw "rectangle 3,1 8,2" -draw "rectangle 2,2 3,4" -draw "rectangle 8,2 9,5" \
  -draw "rectangle 6,5 8,6" -draw "rectangle 5,6 6,7" -draw "rectangle 5,9 6,10" \
  PNG32:"$tmp/help.png"
for name in pin gear help; do
  # A 16x16 frame too, the glyph centred, for callers that ask for the small icon size.
  convert "$tmp/$name.png" -background none -gravity center -extent 16x16 PNG32:"$tmp/${name}16.png"
  # 144 and 192 DPI ask for 18 and 24 pixels: the glyph doubled stays crisp, the 18 pixel
  # one is the doubled glyph smoothed down.
  convert "$tmp/$name.png" -filter point -resize 24x24 PNG32:"$tmp/${name}24.png"
  convert "$tmp/${name}24.png" -filter triangle -resize 18x18 PNG32:"$tmp/${name}18.png"
done
for pair in pin:pushpin gear:settings help:help; do
  name=${pair%%:*}
  convert "$tmp/$name.png" "$tmp/${name}16.png" "$tmp/${name}18.png" "$tmp/${name}24.png" \
    "$out/${pair#*:}.ico"
done

# Drawn large and scaled down, the lines clipped to the globe.
convert -size 64x64 xc:none -fill '#2f8f4e' -draw "circle 31.5,31.5 31.5,3" PNG32:"$tmp/disc.png"
convert -size 64x64 xc:none -fill none -stroke '#e8f5ec' -strokewidth 3.5 \
  -draw "ellipse 31.5,31.5 12,28.5 0,360" -draw "line 0,31.5 63,31.5" \
  -draw "line 0,18 63,18" -draw "line 0,45 63,45" PNG32:"$tmp/lines.png"
convert "$tmp/disc.png" \( "$tmp/lines.png" "$tmp/disc.png" -compose Dst_In -composite \) \
  -compose Over -composite -fill none -stroke '#1d5e31' -strokewidth 3 \
  -draw "circle 31.5,31.5 31.5,3" PNG32:"$tmp/engine64.png"
for s in 16 24 32; do convert "$tmp/engine64.png" -resize ${s}x${s} PNG32:"$tmp/engine$s.png"; done
convert "$tmp/engine16.png" "$tmp/engine24.png" "$tmp/engine32.png" "$out/engine.ico"
