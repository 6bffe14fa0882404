// Whether the window in front leaves room for the search box: the box is not shown over a
// topmost window that covers the whole desktop (a full-screen game, slide show or video).
#pragma once

#include <cstdint>

namespace brimlet {

struct WindowExtent {
  int64_t width = 0;
  int64_t height = 0;
};

// A maximised ordinary window does not block; only a topmost one at least as large as
// the desktop in both directions does.
constexpr bool ForegroundAllowsSearchBox(WindowExtent desktop, WindowExtent foreground,
                                         bool foregroundTopmost) noexcept {
  if (desktop.width > foreground.width || desktop.height > foreground.height) return true;
  return !foregroundTopmost;
}

}  // namespace brimlet
