#include <gtest/gtest.h>

#include "core/key_hold.h"

namespace brimlet {
namespace {

constexpr uint32_t kCtrl = 0x11;
constexpr uint32_t kT = 'T';

TEST(KeyHold, HoldsOtherKeysFromTheDoublePressUntilItsTimeOrCountRunsOut) {
  KeyHold hold;
  EXPECT_FALSE(hold.Takes(kT, 0)) << "nothing is held before a double press";

  hold.Start(0xFFFF'FF00u, kCtrl);  // the tick count wraps during the hold
  EXPECT_FALSE(hold.Takes(kCtrl, 0xFFFF'FF01u)) << "the watched key stays the program's";
  EXPECT_TRUE(hold.Takes(kT, 0xFFFF'FF01u));
  EXPECT_TRUE(hold.Takes(kT, 0xFFFF'FF00u + KeyHold::kMaxMilliseconds));
  EXPECT_FALSE(hold.Takes(kT, 0xFFFF'FF00u + KeyHold::kMaxMilliseconds + 1));
  EXPECT_FALSE(hold.Active());
  EXPECT_FALSE(hold.Takes(kT, 0xFFFF'FF02u)) << "ended for good, not by the clock alone";

  hold.Start(100, kCtrl);
  for (uint32_t i = 0; i < KeyHold::kMaxKeys; ++i) EXPECT_TRUE(hold.Takes(kT, 100 + i));
  EXPECT_FALSE(hold.Takes(kT, 140)) << "at most kMaxKeys events";

  hold.Start(200, kCtrl);
  hold.Stop();
  EXPECT_FALSE(hold.Takes(kT, 201)) << "a key that could not be handed over ends it";
}

}  // namespace
}  // namespace brimlet
