// Mouse sequences on the tray icon and what they ask for.
#include <gtest/gtest.h>

#include "menu/tray_click_rule.h"

namespace brimlet {
namespace {

using namespace tray_mouse;
constexpr uint32_t kTimer = 0;  // stands for the click timer firing

std::vector<TrayAction> Replay(const std::vector<uint32_t>& events) {
  TrayClickRule rule;
  std::vector<TrayAction> actions;
  for (uint32_t e : events) {
    const TrayAction a = e == kTimer ? rule.OnClickTimer() : rule.OnMouse(e);
    if (a != TrayAction::kNone) actions.push_back(a);
  }
  return actions;
}

TEST(TrayClickRule, Sequences) {
  using A = TrayAction;
  struct Case {
    const char* label;
    std::vector<uint32_t> events;
    std::vector<A> actions;
  } cases[] = {
      {"single click opens the menu when the timer fires",
       {kLeftDown, kLeftUp, kTimer},
       {A::kRestartClickTimer, A::kShowMenu}},
      {"double click runs the defaults once and opens no menu",
       {kLeftDown, kLeftUp, kLeftDoubleClick, kLeftUp, kTimer},
       {A::kRestartClickTimer, A::kRunDefaultCommands, A::kRestartClickTimer}},
      {"two single clicks far apart open the menu twice",
       {kLeftDown, kLeftUp, kTimer, kLeftDown, kLeftUp, kTimer},
       {A::kRestartClickTimer, A::kShowMenu, A::kRestartClickTimer, A::kShowMenu}},
      {"a click after a double click opens the menu again",
       {kLeftDoubleClick, kLeftUp, kTimer, kLeftDown, kLeftUp, kTimer},
       {A::kRunDefaultCommands, A::kRestartClickTimer, A::kRestartClickTimer, A::kShowMenu}},
      {"right click: the context menu message opens it at once",
       {kRightDown, kRightUp, kContextMenu},
       {A::kShowMenu}},
      {"a right press clears a pending double click",
       {kLeftDoubleClick, kRightDown, kTimer},
       {A::kRunDefaultCommands, A::kShowMenu}},
      {"middle click runs the defaults", {kMiddleUp}, {A::kRunDefaultCommands}},
      {"mouse moves do nothing", {0x0200}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Replay(c.events), c.actions) << c.label;
  }
}

}  // namespace
}  // namespace brimlet
