#!/bin/bash
# The classic search box, small and large, at 96, 144 and 192 DPI on the 1024x768 desktop
# the tests use: each DPI in a prefix of its own (build/windows/wineprefix-<dpi>dpi), so the
# tests' prefix keeps 96 DPI.
#   scripts/with-display scripts/screenshots/classic-box-dpi.sh [build-dir] [out-dir]
# (set BRIMLET_FORCE_XVFB=1 to keep it off your own display). Writes classic-<dpi>dpi.png
# and classic-large-<dpi>dpi.png. The build directory is a Windows build (default
# build/windows); the needed targets are built first.
set -eu
. "$(dirname "$0")/common.sh"

shot() {  # name large
  shot_settings "$2"
  wine "$exe" /search &
  local pid=$!
  sleep "${SETTLE:-4}"
  import -window root "$out/$1.png"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

for dpi in 96 144 192; do
  export WINEPREFIX=$build/wineprefix-${dpi}dpi
  "$root/scripts/wine-prefix-init" "$WINEPREFIX" "$dpi" >/dev/null
  forget_data_catalogue
  shot "classic-${dpi}dpi" 0
  shot "classic-large-${dpi}dpi" 1
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  wineserver -k || true
done
echo "screenshots in $out"
