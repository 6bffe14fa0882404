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
