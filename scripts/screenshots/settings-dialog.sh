#!/bin/bash
# Screenshots of the settings dialog under Wine with the shipped catalogue: the dialog at 96
# and at 144 DPI (the latter in a private copy of the prefix), and its default-engine menu.
#   scripts/with-display scripts/screenshots/settings-dialog.sh [build-dir] [out-dir]
# (set BRIMLET_FORCE_XVFB=1 to keep it off your own display). The build directory is a
# Windows build (default build/windows); the needed targets are built first.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
out=${2:-$root/build/screenshots}
mkdir -p "$out"
cmake --build "$build" -j2 --target Brimlet brimlet_catalogue_files >/dev/null
export WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
"$root/scripts/wine-prefix-init" "$build/wineprefix" >/dev/null

guid='{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}'
key="HKCU\\Software\\Zelvo\\BrimletBox\\$guid"
exe="$build/dist/Gadgets/$guid/Brimlet.exe"

setting() { wine reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null; }

shot() {  # prefix name [menu-name]
  export WINEPREFIX=$1
  # A downloaded or test catalogue left in the data folder would be read instead.
  rm -f "$WINEPREFIX/drive_c/ProgramData/Zelvo/BrimletBox/$guid/def_srch_engn.xml"
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
  sleep 0.5
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  wineserver -k || true
}

# Each DPI in a private copy of the prefix, so the tests' prefix keeps its settings; the
# larger DPI gets a larger desktop, as a screen of that density would have.
shots_at() {  # dpi desktop name [menu-name]
  local copy=$build/screenshots-prefix-$1
  rm -rf "$copy"
  cp -a "$build/wineprefix" "$copy"
  (
    export WINEPREFIX=$copy
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d "$2" /f >/dev/null
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
      /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
    wineserver -k || true
  )
  shot "$copy" "$3" "${4:-}"
  rm -rf "$copy"
}

shots_at 96 1024x768 settings-96dpi settings-engine-menu
shots_at 144 1280x1024 settings-144dpi
echo "screenshots in $out"
