#include <gtest/gtest.h>

#include "core/trigger_check.h"

namespace brimlet {
namespace {

TEST(TriggerCheck, OnlyATopmostWindowCoveringItsMonitorBlocks) {
  constexpr WindowExtent kMonitor{1024, 768};
  struct Case {
    const char* name;
    WindowExtent foreground;
    bool topmost;
    bool allowed;
  } cases[] = {
      {"small ordinary", {400, 300}, false, true},
      {"small topmost", {400, 300}, true, true},
      {"full width only, topmost", {1024, 767}, true, true},
      {"full height only, topmost", {1023, 768}, true, true},
      {"exactly the monitor, topmost", {1024, 768}, true, false},
      {"larger than the monitor, topmost", {1040, 790}, true, false},
      {"exactly the monitor, ordinary (maximised)", {1024, 768}, false, true},
      {"larger than the monitor, ordinary", {1040, 790}, false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ForegroundAllowsSearchBox(kMonitor, c.foreground, c.topmost), c.allowed) << c.name;
  }
}

}  // namespace
}  // namespace brimlet
