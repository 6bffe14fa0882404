#include "menu/tray_click_rule.h"

namespace brimlet {

TrayAction TrayClickRule::OnMouse(uint32_t mouseMessage) noexcept {
  switch (mouseMessage) {
    case tray_mouse::kContextMenu:
      return TrayAction::kShowMenu;
    case tray_mouse::kLeftDown:
    case tray_mouse::kRightDown:
      doubleClicked_ = false;
      return TrayAction::kNone;
    case tray_mouse::kLeftUp:
      return TrayAction::kRestartClickTimer;
    case tray_mouse::kLeftDoubleClick:
      doubleClicked_ = true;
      return TrayAction::kRunDefaultCommands;
    case tray_mouse::kMiddleUp:
      return TrayAction::kRunDefaultCommands;
    default:
      return TrayAction::kNone;
  }
}

TrayAction TrayClickRule::OnClickTimer() const noexcept {
  return doubleClicked_ ? TrayAction::kNone : TrayAction::kShowMenu;
}

}  // namespace brimlet
