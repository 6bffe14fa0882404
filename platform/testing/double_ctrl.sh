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
