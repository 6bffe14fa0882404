# Sourced by the shell tests that summon the box through a running host: starts a program
# that takes the focus, gives it the focus through the Wine desktop and presses Ctrl twice.
#   press_double_ctrl <build-dir>
# Appends the program's pid to the caller's pids array; calls the caller's fail on error.
press_double_ctrl() {
  # Its output goes nowhere: a process left holding the test's output would keep the test
  # runner waiting.
  wine "$1/tests/minimal_window.exe" >/dev/null 2>&1 &
  pids+=($!)
  sleep 4  # the host's hook and this program settle
  # No window manager: focus the virtual desktop's X window, then click into the program.
  local desktop
  desktop=$(xdotool search --name 'Wine desktop' | head -n1)
  [ -n "$desktop" ] || fail "no Wine desktop window"
  xdotool windowfocus --sync "$desktop" || fail "cannot focus the desktop"
  xdotool mousemove --window "$desktop" 400 160 click 1
  sleep 0.5
  xdotool key --delay 60 ctrl ctrl
}

# The settings a host run needs to open the classic box (Wine has no HTML engine for the
# page-based one) with nothing in the way: no notice request, no closing on deactivation,
# and the host's own "/start" ending at once (its catalogue update marked as done now).
#   classic_box_settings <settings-key>
classic_box_settings() {
  wine reg add "$1" /v LastSearchServiceConfig /t REG_DWORD /d "$(date +%s)" /f >/dev/null 2>&1 ||
    fail "registry"
  local setting
  for setting in "SearchBoxDesign 0" "SearchBoxDesignMigrated 1" "Update 0" "HideAtInactivate 0"; do
    set -- "$1" $setting
    wine reg add "$1" /v "$2" /t REG_DWORD /d "$3" /f >/dev/null 2>&1 || fail "registry"
  done
}
