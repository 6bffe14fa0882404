#!/bin/bash
# Screenshots of the settings dialog under Wine with the shipped catalogue: the dialog at 96,
# 144 and 192 DPI, and its default-engine menu.
#   scripts/with-display scripts/screenshots/settings-dialog.sh [build-dir] [out-dir]
# (set BRIMLET_FORCE_XVFB=1 to keep it off your own display). The build directory is a
# Windows build (default build/windows); the needed targets are built first.
set -eu
. "$(dirname "$0")/common.sh"

shot() {  # prefix name [menu-name]
  export WINEPREFIX=$1
  forget_data_catalogue
  setting RememberLastSearchEngine 0
  setting SetDefaultSearchEngine 1
  setting UseCustomSearchWordsColor 1
  setting CustomSearchWordsColor 255
  wine "$exe" /config &
  local pid=$!
  sleep "${SETTLE:-10}"
  import -window root "$out/$2.png"
  if [ -n "${3:-}" ]; then
    # The engine button of the dialog centred on the 1024x768 desktop at 96 DPI.
    xdotool mousemove "${MENU_X:-580}" "${MENU_Y:-526}" click 1
    sleep 1.5
    import -window root "$out/$3.png"
    xdotool key Escape
  fi
  end_shot "$pid"
}

shots_at 96 1024x768 settings-96dpi settings-engine-menu
shots_at 144 1280x1024 settings-144dpi
shots_at 192 1280x1024 settings-192dpi
echo "screenshots in $out"
