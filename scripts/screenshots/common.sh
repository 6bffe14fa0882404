# Sourced by the Wine screenshot scripts with their arguments [build-dir] [out-dir]: the
# Windows build (default build/windows, its program and catalogue built first), the output
# folder (default build/screenshots), the box's settings key and a setter for its values.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
out=${2:-$root/build/screenshots}
mkdir -p "$out"
cmake --build "$build" -j2 --target Brimlet brimlet_catalogue_files >/dev/null
export WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

guid='{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}'
key="HKCU\\Software\\Zelvo\\BrimletBox\\$guid"
exe="$build/dist/Gadgets/$guid/Brimlet.exe"

setting() { wine reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null; }

shot_settings() {  # large: the classic box, recording on, nothing that closes it
  setting SearchBoxDesign 0
  setting SearchBoxDesignMigrated 1
  setting UseLargeSearchBox "$1"
  setting RecordSearchWords 1
  setting HideAtInactivate 0
  setting Update 0
}

# A downloaded or test catalogue left in the user's data folder would be read instead.
forget_data_catalogue() {
  rm -f "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Zelvo/BrimletBox/$guid/def_srch_engn.xml"
}

# Ends the program a shot started, then the prefix's settings and its Wine server.
end_shot() {  # pid
  sleep 0.5
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  wineserver -k || true
}

# Each DPI in a prefix of its own (build/windows/wineprefix-<dpi>dpi, as the DPI tests use),
# so the tests' prefix keeps its settings; the larger DPIs get a larger desktop, as a screen
# of that density would have, and the prefix gets its 1024x768 desktop back afterwards.
# Calls the script's own shot() with the prefix and the remaining arguments.
shots_at() {  # dpi desktop name [second-name]
  local prefix=$build/wineprefix-$1dpi
  "$root/scripts/wine-prefix-init" "$prefix" "$1" >/dev/null
  desktop() {
    WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d "$1" /f \
      >/dev/null
    WINEPREFIX=$prefix wineserver -k || true
  }
  desktop "$2"
  shot "$prefix" "$3" "${4:-}"
  desktop 1024x768
}
