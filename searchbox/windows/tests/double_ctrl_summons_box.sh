#!/bin/bash
# End to end through the host: with Tessiv.exe running (it installs the search-box gadget's
# keyboard hook), Ctrl pressed twice in another program opens the classic box, and Esc
# closes it. Seen from outside: the search role counted one opening ("SearchBox") and the
# box, when Esc destroyed it, stored its rectangle.
#   double_ctrl_summons_box.sh <build-dir> <wine-prefix>
set -u
. "$(dirname "$0")/../../../platform/testing/double_ctrl.sh" || exit 1
build=$1
export WINEPREFIX=$2 WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
key='HKCU\Software\Zelvo\BrimletBox\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}'

fail() { echo "FAIL: $*"; cleanup; exit 1; }
pids=()
cleanup() {
  # The host must be gone, with its system-wide hook, before the next test types: a hook
  # left behind would start this build's Brimlet.exe from that test's keystrokes. Ask it to
  # exit as a user would (it removes its hooks), then end what is left and wait for it.
  [ -x "$build/tests/tray_poke.exe" ] && wine "$build/tests/tray_poke.exe" exit >/dev/null 2>&1
  # The menu's exit is carried out after tray_poke returns: a host killed before it has
  # removed its hook leaves the hook installed, and the next test's keys pass it twice.
  local _
  for _ in $(seq 100); do kill -0 "${pids[0]}" 2>/dev/null || break; sleep 0.1; done
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  pkill -f 'Gadgets.\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001\}.Brimlet\.exe' 2>/dev/null
  wine reg delete "$key" /f >/dev/null 2>&1
}
number() {  # the DWORD value, in decimal; empty when missing
  local hex
  hex=$(LANG=C wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v v="$1" '$1 == v { print $3 }')
  [ -n "$hex" ] && echo $((hex))
}

wine reg delete "$key" /f >/dev/null 2>&1
classic_box_settings "$key"

# Their output goes nowhere: a process left holding this script's output would keep the
# test runner waiting.
wine "$build/dist/Tessiv.exe" >/dev/null 2>&1 &
pids+=($!)
press_double_ctrl "$build"

opened=
for _ in $(seq 30); do
  [ "$(number SearchBox)" = 1 ] && { opened=1; break; }
  sleep 0.2
done
[ -n "$opened" ] || fail "the double Ctrl did not start the search role"
sleep 2  # the box shows itself and takes the focus
# BRIMLET_SHOT=<file.png> keeps a picture of the summoned box.
[ -n "${BRIMLET_SHOT:-}" ] && import -window root "$BRIMLET_SHOT"
xdotool key Escape
closed=
for _ in $(seq 30); do
  right=$(number LastWindowPosRight)
  [ -n "$right" ] && [ "$right" != 0 ] && { closed=1; break; }
  sleep 0.2
done
[ -n "$closed" ] || fail "no box was closed by Esc (no rectangle stored)"
echo "box opened by the double Ctrl and closed by Esc"
cleanup
exit 0
