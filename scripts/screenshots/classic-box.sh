#!/bin/bash
# Screenshots of the classic search box under Wine: the small box, the large box and the
# engine menu, with the test catalogue of searchbox/windows/tests/data.
#   scripts/with-display scripts/screenshots/classic-box.sh [build-dir] [out-dir]
# (set BRIMLET_FORCE_XVFB=1 to keep it off your own display)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
out=${2:-$root/build/screenshots}
mkdir -p "$out"
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
"$root/scripts/wine-prefix-init" "$WINEPREFIX" >/dev/null

guid='{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}'
key="HKCU\\Software\\Zelvo\\BrimletBox\\$guid"
data="$WINEPREFIX/drive_c/ProgramData/Zelvo/BrimletBox/$guid"
exe="$build/dist/Gadgets/$guid/Brimlet.exe"
mkdir -p "$data/image"
cp "$root/searchbox/windows/tests/data/def_srch_engn.xml" "$data/"
cp "$root/searchbox/windows/tests/data/image/"* "$data/image/"

setting() { wine reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null; }
desktop_window() { xdotool search --name 'Wine desktop' 2>/dev/null | head -n1; }

shot() {  # name large
  setting SearchBoxDesign 0
  setting SearchBoxDesignMigrated 1
  setting UseLargeSearchBox "$2"
  setting RecordSearchWords 1
  setting HideAtInactivate 0
  setting Update 0
  wine "$exe" /search &
  local pid=$!
  sleep 3
  import -window root "$out/$1.png"
  if [ -n "${3:-}" ]; then
    # No window manager: focus the virtual desktop, then click into the box's edit (the
    # box is centred on the 1024x768 desktop).
    local desk
    desk=$(desktop_window)
    [ -n "$desk" ] && xdotool windowfocus --sync "$desk" 2>/dev/null || true
    xdotool mousemove 500 384 click 1
    sleep 0.3
    xdotool key alt+Down
    sleep 1.5
    import -window root "$out/$3.png"
    xdotool key Escape
    sleep 0.5
  fi
  xdotool key Escape
  sleep 1
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

shot box-small 0
shot box-large 1 menu
wineserver -k || true
echo "screenshots in $out"
