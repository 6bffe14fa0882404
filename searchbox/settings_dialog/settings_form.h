// What the settings dialog edits, without the window: the values it holds while open, the
// rules that enable and show its controls, the opacity list, and the order of writing on OK.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "settings.h"

namespace brimlet {

struct SettingsForm {
  bool restorePosition = false;
  bool useKeyboardHook = false;
  bool prepareBox = false;
  bool largeBox = false;
  bool hideWhenInactive = false;
  bool snap = false;
  bool rememberIme = false;
  bool notifyUpdates = false;
  int32_t opacity = 100;
  bool customWordsColor = false;
  ColorRef wordsColor = 0;
  bool rememberLastEngine = false;
  bool useDefaultEngine = false;
  bool recordWords = false;
  bool showLastWords = false;
  bool searchSuggestions = false;
  // The guid of the default engine; nothing when there is none.
  std::optional<std::u16string> defaultEngine;
};

SettingsForm LoadSettingsForm(const Settings& settings);

// Writes every value, then "DefaultSearchEngine" (when there is one), "KeyStroke" and
// "KeyStrokeMonthly" (both the chosen trigger key) and "SearchBoxDesign".
void SaveSettingsForm(const SettingsForm& form, int32_t keyStroke, int32_t design,
                      Settings& settings);

// Which controls are usable, from the values and the design chosen in the list.
struct FormControlStates {
  bool keyStrokeEnabled = false;
  bool colorButtonEnabled = false;
  bool showLastWordsEnabled = false;
  bool useDefaultEngineEnabled = false;
  bool engineToolbarVisible = false;
  bool snapEnabled = false;  // only the page-based design snaps
};
FormControlStates ControlStatesOf(const SettingsForm& form, int design) noexcept;

// The opacity list's items in order: each item's string resource id and its percentage.
struct OpacityItem {
  uint32_t stringId;
  int32_t percent;
};
inline constexpr std::array<OpacityItem, 6> kOpacityItems{
    {{16396, 100}, {16401, 90}, {16397, 80}, {16398, 60}, {16399, 40}, {16400, 20}}};
// The item showing a stored percentage; the first ("100%") when none matches.
size_t OpacityItemIndex(int32_t percent) noexcept;
// The percentage of an item's string resource id; nothing for an unknown id.
std::optional<int32_t> OpacityPercent(uint32_t stringId) noexcept;

}  // namespace brimlet
