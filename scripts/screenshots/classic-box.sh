#!/bin/bash
# Screenshots of the classic search box under Wine with the shipped catalogue: the small box
# (focus on the search button, so the edit shows its cue text) and its settings button's
# tooltip, the large box, and the large box's engine menu.
#   scripts/with-display scripts/screenshots/classic-box.sh [build-dir] [out-dir]
# (set BRIMLET_FORCE_XVFB=1 to keep it off your own display). The build directory is a
# Windows build (default build/windows); the needed targets are built first.
set -eu
. "$(dirname "$0")/common.sh"
export WINEPREFIX=$build/wineprefix
"$root/scripts/wine-prefix-init" "$WINEPREFIX" >/dev/null
# The build tree's own prefix: a downloaded or test catalogue left in its data folder would
# be read instead of the shipped one.
forget_data_catalogue

desktop_window() { xdotool search --name 'Wine desktop' 2>/dev/null | head -n1; }
# No window manager: focus the virtual desktop, then click into the box's edit (the box is
# centred on the 1024x768 desktop).
focus_box() {
  local desk
  desk=$(desktop_window)
  [ -n "$desk" ] && xdotool windowfocus --sync "$desk" 2>/dev/null || true
  xdotool mousemove 500 384 click 1
  sleep 0.3
}

shot() {  # name large [menu-name]
  shot_settings "$2"
  wine "$exe" /search &
  local pid=$!
  sleep 3
  focus_box
  if [ -n "${3:-}" ]; then
    import -window root "$out/$1.png"
    xdotool key alt+Down
    sleep 1.5
    import -window root "$out/$3.png"
    xdotool key Escape
    sleep 0.5
  else
    xdotool key Tab  # focus on to the search button: the empty edit shows its cue
    sleep 0.5
    import -window root "$out/$1.png"
    # Hover over the settings button (top right of the small box) for its tooltip.
    xdotool mousemove 786 343
    sleep 2
    import -window root "$out/$1-tooltip.png"
  fi
  xdotool key Escape
  sleep 1
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

shot box-small 0
shot box-large 1 menu
wine reg delete "$key" /f >/dev/null 2>&1 || true
wineserver -k || true
echo "screenshots in $out"
