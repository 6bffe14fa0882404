// Whether the window in front leaves room for the search box: the box is not shown over a
// topmost window that covers its whole monitor (a full-screen game, slide show or video).
#pragma once

#include <cstdint>

namespace brimlet {

struct WindowExtent {
  int64_t width = 0;
  int64_t height = 0;
};

// A maximised ordinary window does not block; only a topmost one at least as large as
// its monitor in both directions does.
constexpr bool ForegroundAllowsSearchBox(WindowExtent monitor, WindowExtent foreground,
                                         bool foregroundTopmost) noexcept {
  if (monitor.width > foreground.width || monitor.height > foreground.height) return true;
  return !foregroundTopmost;
}

}  // namespace brimlet
