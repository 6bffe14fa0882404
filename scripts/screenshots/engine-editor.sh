#!/bin/bash
# Screenshots of the search service editor under Wine, opened from the settings dialog with
# its keyboard mnemonic (Alt+V), with two services and a catalogue keyword: the editor at 96,
# 144 and 192 DPI, and its form at 96 DPI.
#   scripts/with-display scripts/screenshots/engine-editor.sh [build-dir] [out-dir]
set -eu
. "$(dirname "$0")/common.sh"

services="$key\\UserSearchEngines"
service() {  # guid name url encoding keyword order
  local k="$services\\$1"
  wine reg add "$k" /v Name /d "$2" /f >/dev/null
  wine reg add "$k" /v Url /d "$3" /f >/dev/null
  wine reg add "$k" /v Encoding /d "$4" /f >/dev/null
  wine reg add "$k" /v Keyword /d "$5" /f >/dev/null
  wine reg add "$k" /v Order /t REG_DWORD /d "$6" /f >/dev/null
}

shot() {  # prefix name [form-name]
  export WINEPREFIX=$1
  forget_data_catalogue
  setting Update 0
  service '{6A1F0C3E-2B7D-4C11-9E0A-5D3B8F1A2C01}' '古書検索' \
    'http://kosho.example.jp/find?q={searchTerms}' shift_jis k 0
  service '{6A1F0C3E-2B7D-4C11-9E0A-5D3B8F1A2C02}' '国語辞典' \
    'https://jisho.example.jp/s/{searchTerms}' euc-jp j 1
  wine reg add "$key\\SearchEngineKeywords" /v '{7B1E0001-0000-4000-8000-000000000001}' /d w /f \
    >/dev/null 2>&1 || true
  wine "$exe" /config &
  local pid=$!
  sleep "${SETTLE:-10}"
  xdotool key alt+v
  sleep 2
  import -window root "$out/$2.png"
  if [ -n "${3:-}" ]; then
    xdotool key alt+a
    sleep 1.5
    xdotool type --delay 80 'Example'
    sleep 0.5
    import -window root "$out/$3.png"
    xdotool key Escape
  fi
  end_shot "$pid"
}

shots_at 96 1024x768 engine-editor-96dpi engine-form-96dpi
shots_at 144 1280x1024 engine-editor-144dpi
shots_at 192 1280x1024 engine-editor-192dpi
echo "screenshots in $out"
