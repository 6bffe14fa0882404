// Recognises a modifier key pressed and released twice in a row, the two releases no
// further apart than the double-click time. Free of platform calls: the keyboard hook
// feeds it events, and it asks for the key states, the tick and the double-click time
// only when a step needs them, because the hook runs for every keystroke on the desktop.
#pragma once

#include <array>
#include <concepts>
#include <cstdint>

namespace brimlet {

// Virtual-key codes the detector deals in (the platform's numbers).
namespace vk {
inline constexpr uint32_t kShift = 0x10;
inline constexpr uint32_t kControl = 0x11;
}  // namespace vk

// Down states of the four side-specific modifiers at the moment of a press.
struct SideKeyStates {
  bool leftShift = false;
  bool rightShift = false;
  bool leftCtrl = false;
  bool rightCtrl = false;
};

// "KeyStroke" values: which key is watched and which keys must be up when it goes down.
// Sides are told apart only by the must-be-up set: the hook sees one virtual key for both.
struct KeyKind {
  uint32_t virtualKey;
  SideKeyStates mustBeUp;
};
inline constexpr std::array<KeyKind, 6> kKeyKinds = {{
    {vk::kControl, {.leftShift = true, .rightShift = true}},                     // 0 Ctrl
    {vk::kShift, {.leftCtrl = true, .rightCtrl = true}},                         // 1 Shift
    {vk::kControl, {.leftShift = true, .rightShift = true, .rightCtrl = true}},  // 2 left Ctrl
    {vk::kControl, {.leftShift = true, .rightShift = true, .leftCtrl = true}},   // 3 right Ctrl
    {vk::kShift, {.rightShift = true, .leftCtrl = true, .rightCtrl = true}},     // 4 left Shift
    {vk::kShift, {.leftShift = true, .leftCtrl = true, .rightCtrl = true}},      // 5 right Shift
}};

// The readings the detector may ask the platform for, each at most once per event.
template <typename T>
concept KeyboardReadings = requires(T& readings) {
  { readings.SideKeys() }
  noexcept->std::same_as<SideKeyStates>;
  { readings.TickCount() }
  noexcept->std::same_as<uint32_t>;
  { readings.DoubleClickTime() }
  noexcept->std::same_as<uint32_t>;
};

// Readings already at hand (tests, benchmarks).
struct FixedReadings {
  SideKeyStates sideKeys;
  uint32_t tick = 0;
  uint32_t doubleClickTime = 0;
  SideKeyStates SideKeys() const noexcept { return sideKeys; }
  uint32_t TickCount() const noexcept { return tick; }
  uint32_t DoubleClickTime() const noexcept { return doubleClickTime; }
};

class DoublePressDetector {
 public:
  // Constant-initialised: the hook module keeps one per process as plain data, with no
  // constructor to run under the loader lock.
  constexpr DoublePressDetector() noexcept = default;

  // One keyboard event. True means: show the search box now.
  template <KeyboardReadings Readings>
  constexpr bool OnKey(uint32_t virtualKey, uint32_t repeatCount, bool isRelease,
                       Readings& readings, int32_t kind) noexcept;

  // The same with every input given up front.
  constexpr bool OnKey(uint32_t virtualKey, uint32_t repeatCount, bool isRelease,
                       SideKeyStates sideKeys, uint32_t tick, uint32_t doubleClickTime,
                       int32_t kind) noexcept {
    FixedReadings readings{sideKeys, tick, doubleClickTime};
    return OnKey(virtualKey, repeatCount, isRelease, readings, kind);
  }

  // Whether any kind watches this key. Any other key cancels a pair whatever the settings
  // say, so the hook passes it on without reading them.
  static constexpr bool MayWatch(uint32_t virtualKey) noexcept {
    for (const KeyKind& kind : kKeyKinds) {
      if (kind.virtualKey == virtualKey) return true;
    }
    return false;
  }
  // An event of a key that no kind watches.
  constexpr void OnOtherKey() noexcept { Reset(); }

  constexpr bool armed() const noexcept { return armed_; }
  // 0: no first release recorded.
  constexpr uint32_t firstReleaseTick() const noexcept { return firstReleaseTick_; }

 private:
  static constexpr bool AnyDown(SideKeyStates mask, SideKeyStates keys) noexcept {
    return (mask.leftShift && keys.leftShift) || (mask.rightShift && keys.rightShift) ||
           (mask.leftCtrl && keys.leftCtrl) || (mask.rightCtrl && keys.rightCtrl);
  }
  // Written only where it changes, so an idle process's page stays untouched by
  // the keystrokes of every other key.
  constexpr void Reset() noexcept {
    if (firstReleaseTick_ != 0) firstReleaseTick_ = 0;
    if (armed_) armed_ = false;
  }

  bool armed_ = false;
  uint32_t firstReleaseTick_ = 0;
};

template <KeyboardReadings Readings>
constexpr bool DoublePressDetector::OnKey(uint32_t virtualKey, uint32_t repeatCount, bool isRelease,
                                          Readings& readings, int32_t kind) noexcept {
  // A negative kind taken as unsigned is out of range too: it watches nothing.
  const auto index = static_cast<uint32_t>(kind);
  if (index >= kKeyKinds.size() || virtualKey != kKeyKinds[index].virtualKey) {
    Reset();
    return false;
  }
  if (repeatCount != 1) {
    Reset();
    return false;
  }
  if (!isRelease) {
    if (AnyDown(kKeyKinds[index].mustBeUp, readings.SideKeys())) {
      Reset();
    } else {
      armed_ = true;  // a press while waiting keeps the recorded first release
    }
    return false;
  }
  if (!armed_) return false;
  if (firstReleaseTick_ == 0) {
    firstReleaseTick_ = readings.TickCount();
    return false;
  }
  const uint32_t now = readings.TickCount();
  if (now == firstReleaseTick_) return false;  // same tick: neither fires nor restarts
  const uint32_t limit = readings.DoubleClickTime();
  // Unsigned difference: harmless across the tick's wrap-around after about 49.7 days.
  if (static_cast<uint32_t>(now - firstReleaseTick_) > limit) {
    firstReleaseTick_ = now;
    return false;
  }
  firstReleaseTick_ = 0;
  return true;
}

}  // namespace brimlet
