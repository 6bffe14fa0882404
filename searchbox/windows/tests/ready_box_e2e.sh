#!/bin/bash
# End to end through the host and its hook, with the box prepared in advance (the classic
# design; Wine has no HTML engine for the page-based one). summon_probe.exe plays the user
# from a window of its own in front: Ctrl twice with SendInput, then words.
#  - the boxes' parent is the host, also for the settings dialog a box opens and the box
#    that dialog hands back to; a summon shows the ready box in front, caret in its field;
#    a second double press while it is in front closes it
#  - Ctrl Ctrl, 30 ms, "tokyo" at 20 ms a key leaves exactly "tokyo" in the box, 30 of 30
#  - a setting, a history entry and a catalogue changed while it waits are what it shows,
#    and it is counted when shown, not while it waits
#  - for the page-based design after its page failed in this logon, the classic box waits
#  - with the setting off, every summon is a cold start that works, and nothing waits
#  - the host's exit leaves no Brimlet.exe, with a box open, one waiting and the settings
#    dialog of its tray open; nor does its death while a box waits
#   ready_box_e2e.sh <build-dir> <wine-prefix> [type-rounds]
set -u -o pipefail
. "$(dirname "$0")/../../../platform/testing/double_ctrl.sh" || exit 1
build=$1
rounds=${3:-30}
export WINEPREFIX=$2 WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
key='HKCU\Software\Zelvo\BrimletBox\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}'
# The downloaded catalogue lives in the user's local application data folder.
data="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Zelvo/BrimletBox/{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}"
test_engine='{7B1E0001-0000-4000-8000-000000000001}'  # the test catalogue's default

fail() { echo "FAIL: $*"; cleanup; exit 1; }
host=
# Asks the host to exit as a user would and waits a while for it; true when it is gone.
host_exit() {
  wine "$build/tests/tray_poke.exe" exit >/dev/null 2>&1
  local _
  for _ in $(seq 100); do kill -0 "$host" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
cleanup() {
  [ -n "$host" ] && ! host_exit && kill "$host" 2>/dev/null
  host=
  end_boxes
  wine reg delete "$key" /f >/dev/null 2>&1
  rm -f "$data/def_srch_engn.xml" "$out_file"
}
# Brimlet.exe processes of this prefix (every Wine process carries its prefix).
boxes() {
  local pid
  for pid in $(pgrep -f 'Brimlet\.exe'); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
      echo "$pid"
  done
}
end_boxes() { local pid; for pid in $(boxes); do kill "$pid" 2>/dev/null; done; }
# Wine's output goes to a file, never to a pipe: a Wine server that a call happens to start
# would hold a pipe open for as long as the host runs. Bounded: a probe left waiting would
# hold the test until its time-out.
out_file=$(mktemp)
probe() {
  timeout 150 wine "$build/tests/summon_probe.exe" "$@" >"$out_file" 2>&1
  local rc=$?
  tr -d '\r' <"$out_file"
  return $rc
}
query() { LANG=C wine reg query "$key" /v "$1" >"$out_file" 2>/dev/null; tr -d '\r' <"$out_file"; }
number() {  # the DWORD value, in decimal; empty when missing
  local hex
  hex=$(query "$1" | awk -v v="$1" '$1 == v { print $3 }')
  [ -n "$hex" ] && echo $((hex))
}
text() { query "$1" | awk -v v="$1" '$1 == v { print $3 }'; }
setting() { wine reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1 || fail "registry"; }

wine reg delete "$key" /f >/dev/null 2>&1
rm -f "$data/def_srch_engn.xml"
classic_box_settings "$key"
wine "$build/dist/Tessiv.exe" >/dev/null 2>&1 &
host=$!

# The first summon shows the box prepared at the host's start.
out=$(probe show) || fail "warm summon: $out"
echo "$out" | grep -q '^shown in' || fail "warm summon: $out"
[ "$(number SearchBox)" = 1 ] || fail "the shown box was not counted once: $(number SearchBox)"
echo "warm summon: $(echo "$out" | head -n1)"
out=$(probe parents)
[ -n "$out" ] || fail "no box process after the first box closed (no ready box prepared)"
if echo "$out" | grep -qv 'started by Tessiv.exe'; then fail "a box not started by the host: $out"; fi

out=$(probe twice) || fail "second double press: $out"
echo "$out"

# The box's settings button and the dialog's hand-back: the host starts both.
out=$(probe settings) || fail "settings and back: $out"
echo "$out" | grep -q '^box handed back' || fail "settings and back: $out"
if echo "$out" | grep '^Brimlet.exe' | grep -qv 'started by Tessiv.exe'; then
  fail "the settings dialog or its box not started by the host: $out"
fi
echo "settings and back: started by the host"

out=$(probe type "$rounds" 30 tokyo 20)
rc=$?
echo "$out" | tail -n1
[ $rc = 0 ] || fail "type-ahead: $out"

# Changed while a box waits: the history shown, a setting, and a catalogue in the data folder.
probe memory >/dev/null  # waits for the ready box
[ -n "$(text LastSearchEngine)" ] || fail "no box stored its engine"
wine reg delete "$key" /v LastSearchEngine /f >/dev/null 2>&1 || fail "registry"
before=$(number SearchBox)
sleep 1
[ "$(number SearchBox)" = "$before" ] || fail "a box was counted while it waited"
[ -z "$(text LastSearchEngine)" ] || fail "the waiting box wrote its engine"
setting RecordSearchWords 1
setting ShowLastSearchWords 1
wine reg add "$key\\SearchWords" /v SearchWords_00 /t REG_SZ /d "while it waited" /f >/dev/null 2>&1 &&
  wine reg add "$key\\SearchWords" /v SearchEngine_00 /t REG_SZ /d "$test_engine" /f >/dev/null 2>&1 ||
  fail "registry"
mkdir -p "$data" && cp "$(dirname "$0")/data/def_srch_engn.xml" "$data/" || fail "data folder"
out=$(probe show) || fail "summon after the changes: $out"
echo "$out" | grep -qx 'field: while it waited' || fail "not the history of now: $out"
[ "$(text LastSearchEngine)" = "$test_engine" ] ||
  fail "not the catalogue of now: LastSearchEngine $(text LastSearchEngine)"
[ "$(number SearchBox)" = $((before + 1)) ] || fail "not counted once when shown"
echo "changes while waiting: shown"
rm -f "$data/def_srch_engn.xml"
setting RecordSearchWords 0

# The page-based design after its page failed in this logon: a cold start would show the
# classic box, so the box prepared is a classic one (Wine has no HTML engine for the page).
probe memory >/dev/null
setting SearchBoxDesign 1
wine reg add "$key\\PageBoxFailedThisLogon" /f >/dev/null 2>&1 || fail "registry"
out=$(probe show) || fail "summon after the design changed: $out"
out=$(probe memory)
echo "$out" | grep -q '^ready box: not running' && fail "no box prepared for the page design"
out=$(probe show) || fail "summon of the box prepared for the page design: $out"
echo "page design, failed in this logon: $(echo "$out" | head -n1)"
setting SearchBoxDesign 0
wine reg delete "$key\\PageBoxFailedThisLogon" /f >/dev/null 2>&1

# Turned off: the waiting box gives way, and from then on every summon starts a new box.
probe memory >/dev/null
setting PrepareSearchBox 0
before=$(number SearchBox)
for i in 1 2 3; do
  out=$(probe cold show) || fail "cold summon $i: $out"
  echo "cold summon $i: $(echo "$out" | head -n1)"
done
[ "$(number SearchBox)" = $((before + 3)) ] || fail "the cold boxes were not counted"
sleep 2
out=$(probe cold memory)
echo "$out" | grep -q '^ready box: not running' || fail "a box waits with the setting off: $out"
[ -z "$(boxes)" ] || fail "a box process runs with the setting off and no box open"
setting PrepareSearchBox 1

# The host's exit ends the box it started and that is still open, and the settings dialog
# opened from its tray.
out=$(probe cold open) || fail "summon before the exit: $out"
[ -n "$(boxes)" ] || fail "no box open before the exit"
wine "$build/tests/tray_poke.exe" configure >/dev/null 2>&1 || fail "the tray's settings entry"
for _ in $(seq 100); do pgrep -f 'Brimlet\.exe /config' >/dev/null && break; sleep 0.1; done
pgrep -f 'Brimlet\.exe /config' >/dev/null || fail "the tray's settings entry opened no dialog"
host_exit || fail "the host did not exit"
host=
for _ in $(seq 50); do [ -z "$(boxes)" ] && break; sleep 0.1; done
[ -z "$(boxes)" ] || fail "Brimlet.exe still runs after the host's exit: $(boxes)"
echo "host exit: no box process left"

# A host that is killed leaves no box waiting for a summon that no one would answer.
wine "$build/dist/Tessiv.exe" >/dev/null 2>&1 &
host=$!
probe memory >/dev/null  # waits for the ready box
[ -n "$(boxes)" ] || fail "no ready box after the host's start"
kill "$host"
wait "$host" 2>/dev/null
host=
for _ in $(seq 100); do [ -z "$(boxes)" ] && break; sleep 0.1; done
[ -z "$(boxes)" ] || fail "a ready box outlives its killed host: $(boxes)"
echo "host killed: no box process left"
cleanup
exit 0
