// Placement arithmetic: centring, snapping with its four marks, and opacity to alpha.
#include "placement.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace brimlet {
namespace {

Rect Sized(int32_t left, int32_t top, int32_t width, int32_t height) {
  return {left, top, left + width, top + height};
}

struct SnapCase {
  const char* name;
  Rect box;
  Rect work;
  Rect monitor;
  Rect expected;
};

TEST(SnapRectTest, EdgeCases) {
  const Rect monitor{0, 0, 1280, 1024};
  const Rect bottomBar{0, 0, 1280, 1014};  // a task bar 10 pixels high at the bottom
  const SnapCase cases[] = {
      {"10 px right of the work area's left edge snaps onto it", Sized(10, 400, 300, 100),
       bottomBar, monitor, Sized(0, 400, 300, 100)},
      {"17 px away stays", Sized(17, 400, 300, 100), bottomBar, monitor, Sized(17, 400, 300, 100)},
      {"16 px away still snaps", Sized(16, 400, 300, 100), bottomBar, monitor,
       Sized(0, 400, 300, 100)},
      {"left of the edge snaps right onto it", Sized(-12, 400, 300, 100), bottomBar, monitor,
       Sized(0, 400, 300, 100)},
      {"near the right edge snaps onto it", Sized(970, 400, 300, 100), bottomBar, monitor,
       Sized(980, 400, 300, 100)},
      {"5 px above the work area's bottom snaps there, the monitor's bottom 10 px further "
       "down does not move it again",
       Sized(200, 1014 - 5 - 100, 300, 100), bottomBar, monitor, Sized(200, 1014 - 100, 300, 100)},
      {"near the top snaps up", Sized(200, 9, 300, 100), bottomBar, monitor,
       Sized(200, 0, 300, 100)},
      {"an aligned box stays aligned", Sized(0, 0, 300, 100), bottomBar, monitor,
       Sized(0, 0, 300, 100)},
      {"exactly as wide as the work area: equal offsets move by that value",
       Sized(3, 400, 1280, 100), bottomBar, monitor, Sized(0, 400, 1280, 100)},
      {"far from every edge stays", Sized(500, 500, 300, 100), bottomBar, monitor,
       Sized(500, 500, 300, 100)},
      // Centred between the work area's sides: offsets -10 and +10 give 0, which counts and
      // sets the right mark, so the monitor's left edge (task bar on the left) cannot pull
      // the box right.
      {"a tie of opposite signs sets the right mark without moving", Sized(10, 400, 80, 100),
       Rect{0, 0, 100, 1024}, Rect{-12, 0, 100, 1024}, Sized(10, 400, 80, 100)},
      // The work area gives nothing horizontally; the monitor, a task bar further left,
      // still moves the box onto its own edge.
      {"the monitor's edge snaps when the work area's is too far", Sized(40 - 14, 400, 300, 100),
       Rect{60, 0, 1280, 1024}, Rect{40, 0, 1280, 1024}, Sized(40, 400, 300, 100)},
      {"after a move left, a monitor edge to the right may still move it right once",
       Sized(70, 400, 300, 100), Rect{60, 0, 1280, 1024}, Rect{72, 0, 1280, 1024},
       Sized(72, 400, 300, 100)},
  };
  for (const SnapCase& c : cases) {
    const std::vector<Rect> candidates{c.work, c.monitor};
    EXPECT_EQ(SnapRect(c.box, candidates, kSnapDistance), c.expected) << c.name;
  }
}

TEST(SnapRectTest, WithoutAMonitorTheWholeScreenIsTheOnlyCandidate) {
  const std::vector<Rect> candidates = SnapCandidates(std::nullopt, 1024, 768);
  ASSERT_EQ(candidates, (std::vector<Rect>{Rect{0, 0, 1024, 768}}));
  EXPECT_EQ(SnapRect(Sized(1024 - 300 - 7, 768 - 100 + 4, 300, 100), candidates, kSnapDistance),
            Sized(724, 668, 300, 100));
}

TEST(SnapRectTest, WorkAreaComesBeforeTheMonitor) {
  const MonitorAreas areas{Rect{0, 0, 1280, 1024}, Rect{0, 0, 1280, 984}};
  EXPECT_EQ(SnapCandidates(areas, 1, 1), (std::vector<Rect>{areas.work, areas.monitor}));
}

TEST(SnapRectTest, ExtremeCoordinatesDoNotOverflow) {
  const std::vector<Rect> candidates{Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}};
  const Rect box = Sized(0, 0, 10, 10);
  EXPECT_EQ(SnapRect(box, candidates, kSnapDistance), box);
}

struct CentreCase {
  const char* name;
  Rect window;
  Rect monitor;
  Rect expected;
};

TEST(CentreOnTest, EdgeCases) {
  const CentreCase cases[] = {
      {"centred, size kept", Sized(5, 5, 300, 100), Rect{0, 0, 1024, 768},
       Sized(362, 334, 300, 100)},
      {"odd difference truncates", Sized(0, 0, 301, 101), Rect{0, 0, 1024, 768},
       Sized(361, 333, 301, 101)},
      {"second monitor to the right", Sized(0, 0, 300, 100), Rect{1280, 0, 2304, 768},
       Sized(1642, 334, 300, 100)},
      {"monitor left of the primary", Sized(0, 0, 300, 100), Rect{-1024, -100, 0, 668},
       Sized(-662, 234, 300, 100)},
      {"larger than the monitor: negative offset from its left edge", Sized(0, 0, 1101, 800),
       Rect{0, 0, 1024, 768}, Sized(-38, -16, 1101, 800)},
  };
  for (const CentreCase& c : cases) {
    EXPECT_EQ(CentreOn(c.window, c.monitor), c.expected) << c.name;
  }
}

TEST(CentreOnTest, WithoutAMonitorTheScreenFromTheMetricsIsUsed) {
  EXPECT_EQ(CentringArea(std::nullopt, 800, 600), (Rect{0, 0, 800, 600}));
  const MonitorAreas areas{Rect{0, 0, 1280, 1024}, Rect{0, 0, 1280, 984}};
  EXPECT_EQ(CentringArea(areas, 800, 600), areas.monitor);  // the full monitor, not the work area
}

struct FitCase {
  const char* name;
  Rect window;
  std::optional<Rect> restored;
  Rect expected;
};

// The classic box on a 1024x768 monitor whose task bar takes the bottom 30 pixels.
TEST(OpeningRectTest, CentredOrRestoredAndAlwaysInsideTheWorkArea) {
  const Rect monitor{0, 0, 1024, 768};
  const Rect work{0, 0, 1024, 738};
  const FitCase cases[] = {
      {"centred when it fits", Sized(0, 0, 600, 100), std::nullopt, Sized(212, 334, 600, 100)},
      {"wider than the work area (a high DPI): as wide as it, at its left edge",
       Sized(0, 0, 1350, 160), std::nullopt, Sized(0, 304, 1024, 160)},
      {"taller than the work area: as tall as it, at its top", Sized(0, 0, 600, 800), std::nullopt,
       Sized(212, 0, 600, 738)},
      {"centred over the task bar: moved up onto the work area", Sized(0, 0, 600, 720),
       std::nullopt, Sized(212, 18, 600, 720)},
      {"restored inside: kept", Sized(0, 0, 600, 100), Sized(40, 60, 900, 240),
       Sized(40, 60, 900, 240)},
      {"restored empty: its corner with the window's size", Sized(0, 0, 600, 100),
       Rect{40, 60, 40, 60}, Sized(40, 60, 600, 100)},
      {"restored off the right edge: moved back in", Sized(0, 0, 600, 100),
       Sized(900, 60, 600, 100), Sized(424, 60, 600, 100)},
      {"restored on a monitor that is gone: moved onto this one", Sized(0, 0, 600, 100),
       Sized(-1500, -300, 600, 100), Sized(0, 0, 600, 100)},
      {"restored from a larger screen: shrunk to the work area", Sized(0, 0, 600, 100),
       Sized(100, 100, 1600, 900), Sized(0, 0, 1024, 738)},
  };
  for (const FitCase& c : cases) {
    EXPECT_EQ(OpeningRect(c.window, c.restored, monitor, work), c.expected) << c.name;
  }
}

TEST(FitIntoTest, AnEmptyOrInvertedAreaGivesAnEmptyWindowAtItsCorner) {
  EXPECT_EQ(FitInto(Sized(50, 50, 300, 100), Rect{10, 20, 5, 10}), (Rect{10, 20, 10, 20}));
  EXPECT_EQ(FitInto(Sized(0, 0, 10, 10), Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}),
            Sized(0, 0, 10, 10));
}

TEST(ScaleForDpiTest, NinetySixDpiLengthsScaleToTheNearestPixel) {
  const struct {
    int32_t pixels;
    uint32_t dpi;
    int32_t expected;
  } cases[] = {{16, 96, 16},
               {16, 144, 24},
               {16, 192, 32},
               {12, 144, 18},
               {12, 192, 24},
               {12, 120, 15},
               {16, 120, 20},
               {9, 120, 11},
               {16, 0, 16},
               {-8, 144, -12},
               {7, 108, 8},
               {0, 192, 0},
               {INT32_MAX, 192, INT32_MAX}};
  for (const auto& c : cases) {
    EXPECT_EQ(ScaleForDpi(c.pixels, c.dpi), c.expected) << c.pixels << " px at " << c.dpi;
  }
}

TEST(OpacityToAlphaTest, PercentTimes255HundredthsTruncatedAndNeverInvisible) {
  const struct {
    int32_t percent;
    int alpha;
  } cases[] = {{100, 255}, {90, 229},  {80, 204},        {60, 153},       {40, 102}, {20, 51},
               {50, 127},  {21, 53},   {0, 255},         {1, 255},        {19, 255}, {101, 255},
               {-1, 255},  {356, 255}, {INT32_MAX, 255}, {INT32_MIN, 255}};
  for (const auto& c : cases) EXPECT_EQ(OpacityToAlpha(c.percent), c.alpha) << c.percent;
}

}  // namespace
}  // namespace brimlet
