#!/bin/bash
# Draws the program icon (a magnifier over a rounded blue tile) at 16, 20, 24, 32 and 48 pixels
# (the small icon is 20 and 24 pixels at 120 and 144 DPI).
set -eu
out=${1:-$(dirname "$0")/brimlet.ico}
tmp=$(mktemp -d)
for s in 16 20 24 32 48; do
  f=$(echo "$s / 16" | bc -l)
  r() { printf '%.1f' "$(echo "$1 * $f" | bc -l)"; }
  convert -size ${s}x${s} xc:none \
    -fill '#1e6fd9' -draw "roundrectangle 0,0 $((s-1)),$((s-1)) $(r 3),$(r 3)" \
    -fill none -stroke white -strokewidth "$(r 1.6)" -draw "circle $(r 6.5),$(r 6.5) $(r 6.5),$(r 2.5)" \
    -strokewidth "$(r 2.2)" -draw "line $(r 9.5),$(r 9.5) $(r 13.5),$(r 13.5)" \
    PNG32:"$tmp/$s.png"
done
convert "$tmp/16.png" "$tmp/20.png" "$tmp/24.png" "$tmp/32.png" "$tmp/48.png" "$out"
rm -rf "$tmp"
