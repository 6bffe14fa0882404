#!/bin/bash
# The installer as an administrator runs it, silently: a fresh installation lays out the
# build's installation tree and writes the product key, the autostart entry, the Start menu
# entry and the uninstaller's registration; the host started from the autostart entry's
# command line opens the box on a double Ctrl; a later version's installer ends the running
# host, marks the upgrade, keeps the user's settings and history and starts the host again;
# the uninstaller ends the host and leaves none of the installed files, keys or entries.
#   install_upgrade_uninstall.sh <build-dir> <wine-prefix> <setup.exe> <later setup.exe>
#                                <version> <later version> <partner code>
set -u
. "$(dirname "$0")/../../platform/testing/double_ctrl.sh" || exit 1
build=$1 setup=$3 nextSetup=$4 version=$5 nextVersion=$6 partner=$7
export WINEPREFIX=$2 WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# Wine would copy the Start menu entry into this machine's own desktop menus.
export WINEDLLOVERRIDES=winemenubuilder.exe=d

installDir="$WINEPREFIX/drive_c/Program Files/Zelvo/BrimletBox"
startEntry="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ブリムレットボックス.lnk"
uninstaller='C:\Program Files\Zelvo\BrimletBox\uninstall.exe'
productKey='HKLM\SOFTWARE\Zelvo\BrimletBox'
runKey='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
uninstallKey='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Zelvo BrimletBox'
settings='HKCU\Software\Zelvo\BrimletBox\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}'
hostPattern='Zelvo.BrimletBox.Tessiv\.exe'

pids=()
fail() {
  echo "FAIL: $*"
  cleanup
  exit 1
}
cleanup() {
  # No host with its system-wide hook may outlive the test: ask it to exit as a user
  # would, then let the uninstaller remove what is left.
  hostRuns && wine "$build/tests/tray_poke.exe" exit >/dev/null 2>&1
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  uninstall
  wine reg delete "$settings" /f >/dev/null 2>&1
}
# The uninstaller returns at once and finishes from a copy of itself: wait for its work.
uninstall() {
  [ -f "$installDir/uninstall.exe" ] || return 0
  wine "$uninstaller" /S >/dev/null 2>&1 || return 1
  for _ in $(seq 100); do
    [ -e "$installDir" ] || return 0
    sleep 0.2
  done
  return 1
}
# Registry data in the 64-bit view, as UTF-8 text; empty when the value is missing.
data() {
  wine reg query "$1" /v "$2" /reg:64 2>/dev/null | iconv -f CP932 -t UTF-8 | tr -d '\r' |
    sed -n "s/^    $2    REG_[A-Z_]*    //p"
}
exists() { wine reg query "$1" ${2:+/v "$2"} /reg:64 >/dev/null 2>&1; }
expect() {  # <what> <expected> <actual>
  [ "$2" = "$3" ] || fail "$1: expected '$2', found '$3'"
}
waitFor() {  # <seconds> <command...>: true once the command succeeds
  local tries=$(($1 * 5))
  shift
  for _ in $(seq $tries); do
    "$@" && return 0
    sleep 0.2
  done
  return 1
}
ended() { [ ! -e "/proc/$1" ] || grep -q '^[0-9]* ([^)]*) Z' "/proc/$1/stat"; }
boxOpened() { [ "$(data "$settings" SearchBox)" = 0x1 ]; }
# Other Wine prefixes on this machine may run a host of their own: only the one that maps
# this prefix's installed file counts.
hostRuns() {
  local p
  for p in $(pgrep -f "$hostPattern"); do
    grep -qF "$installDir/Tessiv.exe" "/proc/$p/maps" 2>/dev/null && return 0
  done
  return 1
}
noHost() { ! hostRuns; }

# The product's state before a fresh installation: no earlier installation, no host, and
# the classic box for this user (Wine has no HTML engine for the page-based one).
hostRuns && fail "a host of an earlier installation is running"
uninstall || fail "an earlier installation could not be removed"
rm -rf "$installDir"
wine reg delete "$productKey" /reg:64 /f >/dev/null 2>&1
wine reg delete "$settings" /f >/dev/null 2>&1
classic_box_settings "$settings"

# --- Fresh installation ---------------------------------------------------------------
timeout 120 wine "$setup" /S || fail "the silent installation ended with $?"
[ -f "$installDir/uninstall.exe" ] || fail "no uninstaller"
diff -r -x uninstall.exe "$build/dist" "$installDir" ||
  fail "the installation tree differs from the build's dist/"
expect "Version" "$version" "$(data "$productKey" Version)"
expect "Partner" "$partner" "$(data "$productKey" Partner)"
exists "$productKey" Upgrade && fail "a fresh installation is marked as an upgrade"
expect "uninstall command" "\"$uninstaller\"" "$(data "$uninstallKey" UninstallString)"
[ -f "$startEntry" ] || fail "no Start menu entry"

# The autostart entry's command line: the quoted path of the installed host.
command=$(data "$runKey" "Zelvo BrimletBox")
[[ $command =~ ^\"([^\"]+\\Tessiv\.exe)\"$ ]] || fail "autostart command line: '$command'"
wine "${BASH_REMATCH[1]}" >/dev/null 2>&1 &
pids+=($!)
press_double_ctrl "$build"
waitFor 10 boxOpened || fail "the double Ctrl did not open the box through the installed host"
sleep 2
xdotool key Escape

# --- Upgrade over the running host --------------------------------------------------
wine reg add "$settings\\SearchWords" /v SearchWords_00 /t REG_SZ /d "ブリムレット 検索" /f \
  >/dev/null || fail "registry"
timeout 120 wine "$nextSetup" /S || fail "the silent upgrade ended with $?"
waitFor 5 ended "${pids[0]}" ||
  fail "the running host was not ended by the upgrade"
# A hook module still mapped somewhere is moved aside as *.old until the next restart.
diff -r -x uninstall.exe -x '*.old' "$build/dist" "$installDir" ||
  fail "after the upgrade the installation tree differs from the build's dist/"
expect "Version after the upgrade" "$nextVersion" "$(data "$productKey" Version)"
expect "Upgrade" "$version" "$(data "$productKey" Upgrade)"
expect "a setting after the upgrade" "0x0" "$(data "$settings" SearchBoxDesign)"
expect "history after the upgrade" "ブリムレット 検索" "$(data "$settings\\SearchWords" SearchWords_00)"
waitFor 10 hostRuns || fail "the upgrade did not start the host again"

# --- Uninstallation, with the host running ---------------------------------------------
# Wine keeps a hook module mapped in the programs that took keyboard input until they end
# (Windows lets it go at their next message): the program with the focus ends first.
kill "${pids[1]}" && wait "${pids[1]}" 2>/dev/null
uninstall || fail "the silent uninstallation left $installDir"
waitFor 10 noHost || fail "the host still runs after the uninstallation"
[ -e "$WINEPREFIX/drive_c/Program Files/Zelvo" ] && fail "Program Files\\Zelvo is left"
[ -e "$startEntry" ] && fail "the Start menu entry is left"
exists "$productKey" && fail "the product key is left"
exists "$runKey" "Zelvo BrimletBox" && fail "the autostart entry is left"
exists "$uninstallKey" && fail "the uninstaller's registration is left"
# Per-user settings and the history stay for a later installation.
expect "history after the uninstallation" "ブリムレット 検索" \
  "$(data "$settings\\SearchWords" SearchWords_00)"

echo "installed, summoned, upgraded and uninstalled"
cleanup
exit 0
