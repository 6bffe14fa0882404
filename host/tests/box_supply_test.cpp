#include "boxes/box_supply.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace brimlet {
namespace {

BoxActions None() { return {}; }
BoxActions StartReady() { return {.startReady = true}; }
BoxActions StartCold() { return {.startCold = true}; }
BoxActions ShowReady() { return {.showReady = true}; }

struct Step {
  const char* what;
  std::function<BoxActions(BoxSupply&)> event;
  BoxActions expected;
};

void Play(const char* story, const std::vector<Step>& steps) {
  SCOPED_TRACE(story);
  BoxSupply supply;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    EXPECT_EQ(step.event(supply), step.expected);
  }
}

BoxActions Reported(BoxSupply& s) {
  s.OnReadyReported();
  return {};
}

TEST(BoxSupply, KeepsOneBoxPreparedAndPreparesTheNextAfterTheShownOneCloses) {
  Play("warm summons",
       {
           {"host starts", [](BoxSupply& s) { return s.OnHostStarted(true); }, StartReady()},
           {"a summon while it prepares gets a cold box",
            [](BoxSupply& s) { return s.OnSummon(true, false); }, StartCold()},
           {"ready", Reported, None()},
           {"nothing new while the cold box is open",
            [](BoxSupply& s) { return s.OnColdEnded(true); }, None()},
           {"a summon shows it", [](BoxSupply& s) { return s.OnSummon(true, false); }, ShowReady()},
           {"a second summon goes to it as well (it closes or comes forward)",
            [](BoxSupply& s) { return s.OnSummon(true, false); }, ShowReady()},
           {"closed: the next is prepared",
            [](BoxSupply& s) { return s.OnReadyEnded(ReadyBoxEnd::kClosedAfterShow, true); },
            StartReady()},
       });
  Play("no preparation while a cold box is on screen",
       {
           {"host starts with the setting off", [](BoxSupply& s) { return s.OnHostStarted(false); },
            None()},
           {"summon", [](BoxSupply& s) { return s.OnSummon(true, false); }, StartCold()},
           {"a second summon while it is open",
            [](BoxSupply& s) { return s.OnSummon(true, false); }, StartCold()},
           {"the second ends at once", [](BoxSupply& s) { return s.OnColdEnded(true); }, None()},
           {"the box closes", [](BoxSupply& s) { return s.OnColdEnded(true); }, StartReady()},
       });
}

TEST(BoxSupply, SettingOffMeansColdBoxesAndNoWaitingProcess) {
  Play("turned off while one waits",
       {
           {"host starts", [](BoxSupply& s) { return s.OnHostStarted(true); }, StartReady()},
           {"ready", Reported, None()},
           {"summon with the setting off", [](BoxSupply& s) { return s.OnSummon(false, false); },
            BoxActions{.endReady = true, .startCold = true}},
           {"its end is no reason for another",
            [](BoxSupply& s) { return s.OnReadyEnded(ReadyBoxEnd::kUnexpected, false); }, None()},
           {"the cold box closes", [](BoxSupply& s) { return s.OnColdEnded(false); }, None()},
           {"every summon is cold", [](BoxSupply& s) { return s.OnSummon(false, false); },
            StartCold()},
           {"turned on again: prepared after the next close",
            [](BoxSupply& s) { return s.OnColdEnded(true); }, StartReady()},
       });
}

TEST(BoxSupply, ABoxThatCannotGetReadyCostsOneAttemptPerSummon) {
  Play("a design that cannot be prepared",
       {
           {"host starts", [](BoxSupply& s) { return s.OnHostStarted(true); }, StartReady()},
           {"it cannot prepare",
            [](BoxSupply& s) { return s.OnReadyEnded(ReadyBoxEnd::kCannotPrepare, true); }, None()},
           {"summon", [](BoxSupply& s) { return s.OnSummon(true, false); }, StartCold()},
           {"after the close one more attempt", [](BoxSupply& s) { return s.OnColdEnded(true); },
            StartReady()},
           {"dies before it is ready",
            [](BoxSupply& s) { return s.OnReadyEnded(ReadyBoxEnd::kUnexpected, true); }, None()},
           {"summon", [](BoxSupply& s) { return s.OnSummon(true, false); }, StartCold()},
       });
  Play("a ready box that keeps dying",
       {
           {"host starts", [](BoxSupply& s) { return s.OnHostStarted(true); }, StartReady()},
           {"ready", Reported, None()},
           {"ended by someone: replaced",
            [](BoxSupply& s) { return s.OnReadyEnded(ReadyBoxEnd::kUnexpected, true); },
            StartReady()},
           {"ready", Reported, None()},
           {"again: replaced",
            [](BoxSupply& s) { return s.OnReadyEnded(ReadyBoxEnd::kUnexpected, true); },
            StartReady()},
           {"ready", Reported, None()},
           {"a third time: given up",
            [](BoxSupply& s) { return s.OnReadyEnded(ReadyBoxEnd::kUnexpected, true); }, None()},
           {"summon", [](BoxSupply& s) { return s.OnSummon(true, false); }, StartCold()},
       });
  Play("a ready box that gives way",
       {
           {"host starts", [](BoxSupply& s) { return s.OnHostStarted(true); }, StartReady()},
           {"ready", Reported, None()},
           {"it asks for a cold box", [](BoxSupply& s) { return s.OnSummon(true, true); },
            StartCold()},
           {"and ends", [](BoxSupply& s) { return s.OnReadyEnded(ReadyBoxEnd::kGaveWay, true); },
            None()},
           {"the cold box closes", [](BoxSupply& s) { return s.OnColdEnded(true); }, StartReady()},
       });
}

}  // namespace
}  // namespace brimlet
