// The keys typed between a double press and the moment the box has the keyboard: the hook of
// the program that receives them holds them back and hands them to the box, in order, so the
// first letters typed after the double press are not lost to that program. Bounded in count
// and time from the double press; the watched key itself is never held (it stays the
// program's, and a second double press still works). Plain data: it lives in the hook.
#pragma once

#include <cstdint>

#include "protocol/summon_protocol.h"

namespace brimlet {

class KeyHold {
 public:
  static constexpr uint32_t kMaxKeys = summon::kMaxHeldKeys;  // key-downs and key-ups alike
  static constexpr uint32_t kMaxMilliseconds = summon::kHoldMilliseconds;

  // At a double press that a box prepared in advance answers, of `watchedKey`.
  constexpr void Start(uint32_t now, uint32_t watchedKey) noexcept {
    active_ = true;
    since_ = now;
    watched_ = watchedKey;
    held_ = 0;
  }
  // When a held key could not be handed over: the rest goes to the program again.
  constexpr void Stop() noexcept { active_ = false; }
  constexpr bool Active() const noexcept { return active_; }

  // Whether this key event is held (and counted). Once the time or the count has run out the
  // hold ends for good, and nothing is held until the next Start.
  constexpr bool Takes(uint32_t virtualKey, uint32_t now) noexcept {
    if (!active_) return false;
    // Unsigned: a tick count that wrapped around still gives the time elapsed.
    if (now - since_ > kMaxMilliseconds || held_ >= kMaxKeys) {
      active_ = false;
      return false;
    }
    if (virtualKey == watched_) return false;
    ++held_;
    return true;
  }

 private:
  bool active_ = false;
  uint32_t since_ = 0;
  uint32_t watched_ = 0;
  uint32_t held_ = 0;
};

}  // namespace brimlet
