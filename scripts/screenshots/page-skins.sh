#!/bin/bash
# Screenshots of the search box page with each skin (small and large) in headless Chromium:
# a notice shown, the box pinned, words typed.
#   scripts/screenshots/page-skins.sh [out-dir]
# Each picture also comes cut to the window's shape (only the background's fully opaque
# pixels), as the box shows it: page-<skin>-window.png.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/screenshots}
[ -d "$root/resources/page/tests/node_modules/playwright-core" ] || "$root/scripts/setup"
node "$root/scripts/screenshots/page-skins.mjs" "$out"
for skin in black black/large; do
  name=page-${skin/\//-}
  # Alpha 255 stays, anything less goes: the window region's rule.
  convert "$out/$name.png" \( "$root/resources/skin/$skin/background.png" -alpha extract \
          -threshold 99.99% \) -compose CopyOpacity -composite "$out/$name-window.png"
  echo "$out/$name-window.png"
done
