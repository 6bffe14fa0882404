// What the mouse on the tray icon asks for. A single left click opens the menu only once
// the double-click time (+100 ms) has passed without a second click; a double click runs
// the default commands instead, and its own button-up then finds the click timer spent.
#pragma once

#include <cstdint>

namespace brimlet {

// Mouse messages with the platform's numbers, as the tray callback carries them.
namespace tray_mouse {
inline constexpr uint32_t kContextMenu = 0x007B;
inline constexpr uint32_t kLeftDown = 0x0201;
inline constexpr uint32_t kLeftUp = 0x0202;
inline constexpr uint32_t kLeftDoubleClick = 0x0203;
inline constexpr uint32_t kRightDown = 0x0204;
inline constexpr uint32_t kRightUp = 0x0205;
inline constexpr uint32_t kMiddleUp = 0x0208;
}  // namespace tray_mouse

enum class TrayAction {
  kNone,
  kShowMenu,
  kRestartClickTimer,  // kill a pending click timer, start it anew
  kRunDefaultCommands,
};

class TrayClickRule {
 public:
  TrayAction OnMouse(uint32_t mouseMessage) noexcept;
  // The click timer fired (the caller has killed it).
  TrayAction OnClickTimer() const noexcept;

 private:
  bool doubleClicked_ = false;
};

}  // namespace brimlet
