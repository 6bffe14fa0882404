#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/double_press_detector.h"

namespace brimlet {
namespace {

constexpr uint32_t kLimit = 500;  // double-click time used throughout
constexpr uint32_t kA = 0x41;

constexpr SideKeyStates kNone{};
constexpr SideKeyStates kLShift{.leftShift = true};
constexpr SideKeyStates kRShift{.rightShift = true};
constexpr SideKeyStates kLCtrl{.leftCtrl = true};
constexpr SideKeyStates kRCtrl{.rightCtrl = true};
constexpr SideKeyStates kBothCtrl{.leftCtrl = true, .rightCtrl = true};

struct Event {
  uint32_t key;
  bool release;
  uint32_t tick;
  SideKeyStates keys = kNone;  // side-specific keys down at a press
  uint32_t repeat = 1;
};

Event Down(uint32_t key, uint32_t tick, SideKeyStates keys = kNone, uint32_t repeat = 1) {
  return {key, false, tick, keys, repeat};
}
Event Up(uint32_t key, uint32_t tick, uint32_t repeat = 1) {
  return {key, true, tick, kNone, repeat};
}

// The indexes of the events that fired.
std::vector<int> Feed(const std::vector<Event>& events, int32_t kind, DoublePressDetector& d) {
  std::vector<int> fired;
  for (size_t i = 0; i < events.size(); ++i) {
    const Event& e = events[i];
    if (d.OnKey(e.key, e.repeat, e.release, e.keys, e.tick, kLimit, kind)) {
      fired.push_back(static_cast<int>(i));
    }
  }
  return fired;
}

struct Sequence {
  std::string name;
  int32_t kind;
  std::vector<Event> events;
  std::vector<int> fires;
};

void PrintTo(const Sequence& s, std::ostream* os) { *os << s.name; }

class DoublePressSequences : public ::testing::TestWithParam<Sequence> {};

TEST_P(DoublePressSequences, FireExactlyWhereExpected) {
  const Sequence& s = GetParam();
  DoublePressDetector detector;
  EXPECT_EQ(Feed(s.events, s.kind, detector), s.fires);
}

constexpr uint32_t C = vk::kControl;
constexpr uint32_t S = vk::kShift;

INSTANTIATE_TEST_SUITE_P(
    Detector, DoublePressSequences,
    ::testing::Values(
        Sequence{"CtrlTwiceWithinTimeFiresOnSecondRelease",
                 0,
                 {Down(C, 100), Up(C, 150), Down(C, 200), Up(C, 250)},
                 {3}},
        Sequence{"ReleasesExactlyTheDoubleClickTimeApartFire",
                 0,
                 {Down(C, 100), Up(C, 1000), Down(C, 1200), Up(C, 1500)},
                 {3}},
        Sequence{
            "OneMillisecondTooLateStartsANewPair",
            0,
            {Down(C, 100), Up(C, 1000), Down(C, 1200), Up(C, 1501), Down(C, 1600), Up(C, 1700)},
            {5}},
        Sequence{
            "SameTickReleaseChangesNothing",
            0,
            {Down(C, 100), Up(C, 1000), Down(C, 1000), Up(C, 1000), Down(C, 1100), Up(C, 1200)},
            {5}},
        Sequence{"TickWrapAroundWithinTimeFires",
                 0,
                 {Down(C, 0xFFFFFF00u), Up(C, 0xFFFFFFF0u), Down(C, 0xFFFFFFFAu), Up(C, 100)},
                 {3}},
        Sequence{"TickWrapAroundTooLateDoesNotFire",
                 0,
                 {Down(C, 0xFFFFFF00u), Up(C, 0xFFFFFF00u), Down(C, 50), Up(C, 300)},
                 {}},
        Sequence{"AnotherKeyBetweenCancels",
                 0,
                 {Down(C, 100), Up(C, 150), Down(kA, 170), Up(kA, 180), Down(C, 200), Up(C, 250)},
                 {}},
        Sequence{"ReleaseOfAnotherKeyAloneCancels",
                 0,
                 {Down(C, 100), Up(C, 150), Up(kA, 170), Down(C, 200), Up(C, 250)},
                 {}},
        Sequence{
            "PressWithShiftHeldCancelsAndItsReleaseChangesNothing",
            0,
            {Down(C, 100), Up(C, 150), Down(C, 200, kLShift), Up(C, 250), Down(C, 300), Up(C, 350)},
            {}},
        Sequence{"RepeatCountOtherThanOneCancels",
                 0,
                 {Down(C, 100), Up(C, 150), Down(C, 200, kNone, 2), Up(C, 250)},
                 {}},
        Sequence{"AutoRepeatThenReleaseAndPressAgainFires",
                 0,
                 {Down(C, 100), Down(C, 600), Down(C, 630), Down(C, 660), Up(C, 700), Down(C, 800),
                  Up(C, 900)},
                 {6}},
        Sequence{"FourQuickPressesFireTwice",
                 0,
                 {Down(C, 10), Up(C, 20), Down(C, 30), Up(C, 40), Down(C, 50), Up(C, 60),
                  Down(C, 70), Up(C, 80)},
                 {3, 7}},
        Sequence{"ThreeQuickPressesFireOnce",
                 0,
                 {Down(C, 10), Up(C, 20), Down(C, 30), Up(C, 40), Down(C, 50), Up(C, 60)},
                 {3}},
        Sequence{"ReleaseWithoutPressChangesNothing",
                 0,
                 {Up(C, 10), Up(C, 20), Down(C, 30), Up(C, 40)},
                 {}},
        Sequence{"KindZeroAllowsBothCtrlSides",
                 0,
                 {Down(C, 10, kLCtrl), Up(C, 20), Down(C, 30, kBothCtrl), Up(C, 40)},
                 {3}},
        Sequence{
            "KindZeroIgnoresShiftKey", 0, {Down(S, 10), Up(S, 20), Down(S, 30), Up(S, 40)}, {}},
        Sequence{"KindOneShiftTwiceFires",
                 1,
                 {Down(S, 10, kLShift), Up(S, 20), Down(S, 30, kRShift), Up(S, 40)},
                 {3}},
        Sequence{"KindOneWithCtrlHeldCancels",
                 1,
                 {Down(S, 10), Up(S, 20), Down(S, 30, kRCtrl), Up(S, 40)},
                 {}},
        Sequence{"KindTwoLeftCtrlTwiceFires",
                 2,
                 {Down(C, 10, kLCtrl), Up(C, 20), Down(C, 30, kLCtrl), Up(C, 40)},
                 {3}},
        Sequence{"KindTwoRightCtrlNeverFires",
                 2,
                 {Down(C, 10, kRCtrl), Up(C, 20), Down(C, 30, kRCtrl), Up(C, 40)},
                 {}},
        Sequence{"KindTwoLeftCtrlWhileRightHeldCancels",
                 2,
                 {Down(C, 10, kLCtrl), Up(C, 20), Down(C, 30, kBothCtrl), Up(C, 40)},
                 {}},
        Sequence{"KindThreeRightCtrlTwiceFires",
                 3,
                 {Down(C, 10, kRCtrl), Up(C, 20), Down(C, 30, kRCtrl), Up(C, 40)},
                 {3}},
        Sequence{"KindThreeLeftCtrlNeverFires",
                 3,
                 {Down(C, 10, kLCtrl), Up(C, 20), Down(C, 30, kLCtrl), Up(C, 40)},
                 {}},
        Sequence{"KindFourLeftShiftTwiceFires",
                 4,
                 {Down(S, 10, kLShift), Up(S, 20), Down(S, 30, kLShift), Up(S, 40)},
                 {3}},
        Sequence{"KindFourRightShiftNeverFires",
                 4,
                 {Down(S, 10, kRShift), Up(S, 20), Down(S, 30, kRShift), Up(S, 40)},
                 {}},
        Sequence{"KindFourWithCtrlHeldCancels",
                 4,
                 {Down(S, 10, kLShift), Up(S, 20), Down(S, 30, kLCtrl), Up(S, 40)},
                 {}},
        Sequence{"KindFiveRightShiftTwiceFires",
                 5,
                 {Down(S, 10, kRShift), Up(S, 20), Down(S, 30, kRShift), Up(S, 40)},
                 {3}},
        Sequence{"KindFiveLeftShiftNeverFires",
                 5,
                 {Down(S, 10, kLShift), Up(S, 20), Down(S, 30, kLShift), Up(S, 40)},
                 {}},
        Sequence{"KindSixIsNotAKind", 6, {Down(C, 10), Up(C, 20), Down(C, 30), Up(C, 40)}, {}},
        Sequence{"NegativeKindNeverFires",
                 -1,
                 {Down(C, 10), Up(C, 20), Down(C, 30), Up(C, 40), Down(S, 50), Up(S, 60),
                  Down(S, 70), Up(S, 80)},
                 {}}),
    [](const auto& info) { return info.param.name; });

// The states of the state table, reached by the events that lead there.
TEST(DoublePressDetector, StateTableTransitions) {
  struct Case {
    const char* name;
    std::vector<Event> events;
    bool armed;
    uint32_t firstRelease;
  } cases[] = {
      {"Idle", {}, false, 0},
      {"CleanPressArms", {Down(C, 5)}, true, 0},
      {"DisqualifiedPressStaysIdle", {Down(C, 5, kRShift)}, false, 0},
      {"ReleaseRecordsTick", {Down(C, 5), Up(C, 40)}, true, 40},
      {"CleanPressWhileWaitingKeepsTick", {Down(C, 5), Up(C, 40), Down(C, 60)}, true, 40},
      {"LateReleaseBecomesNewFirst", {Down(C, 5), Up(C, 40), Up(C, 900)}, true, 900},
      {"SameTickKeepsWaiting", {Down(C, 5), Up(C, 40), Up(C, 40)}, true, 40},
      {"FireLeavesArmed", {Down(C, 5), Up(C, 40), Down(C, 60), Up(C, 80)}, true, 0},
      {"OtherKeyWhileWaitingIdles", {Down(C, 5), Up(C, 40), Down(kA, 50)}, false, 0},
      {"RepeatWhileWaitingIdles", {Down(C, 5), Up(C, 40), Up(C, 50, 3)}, false, 0},
      {"DisqualifiedPressWhileWaitingIdles",
       {Down(C, 5), Up(C, 40), Down(C, 50, kLShift)},
       false,
       0},
  };
  for (const Case& c : cases) {
    DoublePressDetector d;
    Feed(c.events, 0, d);
    EXPECT_EQ(d.armed(), c.armed) << c.name;
    EXPECT_EQ(d.firstReleaseTick(), c.firstRelease) << c.name;
  }
}

TEST(DoublePressDetector, NegativeKindResetsOnEveryEvent) {
  DoublePressDetector d;
  d.OnKey(C, 1, false, kNone, 10, kLimit, 0);
  d.OnKey(C, 1, true, kNone, 20, kLimit, 0);
  ASSERT_EQ(d.firstReleaseTick(), 20u);
  d.OnKey(C, 1, false, kNone, 30, kLimit, -1);  // 0xFFFFFFFF: out of range, not kind 0
  EXPECT_FALSE(d.armed());
  EXPECT_EQ(d.firstReleaseTick(), 0u);
}

// Counts what the detector asks the platform for.
struct CountingReadings {
  SideKeyStates keys;
  uint32_t tick = 0;
  int sideKeyReads = 0;
  int tickReads = 0;
  int doubleClickReads = 0;
  SideKeyStates SideKeys() noexcept {
    ++sideKeyReads;
    return keys;
  }
  uint32_t TickCount() noexcept {
    ++tickReads;
    return tick;
  }
  uint32_t DoubleClickTime() noexcept {
    ++doubleClickReads;
    return kLimit;
  }
};

TEST(DoublePressDetector, AsksThePlatformOnlyWhenAStepNeedsIt) {
  struct Step {
    const char* what;
    uint32_t key;
    bool release;
    uint32_t repeat;
    int sideKeyReads, tickReads, doubleClickReads;
  } steps[] = {
      {"other key", kA, false, 1, 0, 0, 0},     {"release while idle", C, true, 1, 0, 0, 0},
      {"repeat count 2", C, false, 2, 0, 0, 0}, {"press", C, false, 1, 1, 0, 0},
      {"first release", C, true, 1, 0, 1, 0},   {"second press", C, false, 1, 1, 0, 0},
      {"second release", C, true, 1, 0, 1, 1},
  };
  DoublePressDetector d;
  uint32_t tick = 100;
  for (const Step& s : steps) {
    CountingReadings r{.tick = tick += 10};
    d.OnKey(s.key, s.repeat, s.release, r, 0);
    EXPECT_EQ(r.sideKeyReads, s.sideKeyReads) << s.what;
    EXPECT_EQ(r.tickReads, s.tickReads) << s.what;
    EXPECT_EQ(r.doubleClickReads, s.doubleClickReads) << s.what;
  }
}

TEST(DoublePressDetector, UnwatchedKindReadsNothing) {
  DoublePressDetector d;
  CountingReadings r;
  d.OnKey(C, 1, false, r, -1);
  d.OnKey(C, 1, true, r, 6);
  EXPECT_EQ(r.sideKeyReads + r.tickReads + r.doubleClickReads, 0);
}

// The hook passes every key but Ctrl and Shift on without reading the settings: that is
// sound only if no kind watches any other key, and such a key cancels a pair as OnKey would.
TEST(DoublePressDetector, OnlyCtrlAndShiftMayBeWatched) {
  for (uint32_t key = 0; key <= 0xFF; ++key) {
    bool watchedByAKind = false;
    for (int32_t kind = 0; kind < static_cast<int32_t>(kKeyKinds.size()); ++kind) {
      DoublePressDetector d;
      CountingReadings r;
      d.OnKey(key, 1, false, r, kind);
      watchedByAKind = watchedByAKind || r.sideKeyReads != 0;
    }
    EXPECT_EQ(DoublePressDetector::MayWatch(key), watchedByAKind) << key;
  }
  DoublePressDetector d;
  Feed({Down(C, 5), Up(C, 40)}, 0, d);
  d.OnOtherKey();
  EXPECT_FALSE(d.armed());
  EXPECT_EQ(d.firstReleaseTick(), 0u);
}

}  // namespace
}  // namespace brimlet
