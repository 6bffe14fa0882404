#include "settings_form.h"

namespace brimlet {

SettingsForm LoadSettingsForm(const Settings& settings) {
  SettingsForm form;
  form.restorePosition = settings.RestoreLastWindowPos();
  form.useKeyboardHook = settings.UseKeyboardHook();
  form.prepareBox = settings.PrepareSearchBox();
  form.largeBox = settings.UseLargeSearchBox();
  form.hideWhenInactive = settings.HideAtInactivate();
  form.snap = settings.SnapSearchBox();
  form.rememberIme = settings.RememberImeState();
  form.notifyUpdates = settings.Update();
  form.opacity = settings.SearchBoxTransparency();
  form.customWordsColor = settings.UseCustomSearchWordsColor();
  form.wordsColor = settings.CustomSearchWordsColor();
  form.rememberLastEngine = settings.RememberLastSearchEngine();
  form.useDefaultEngine = settings.SetDefaultSearchEngine();
  form.recordWords = settings.RecordSearchWords();
  form.showLastWords = settings.ShowLastSearchWords();
  form.searchSuggestions = settings.SearchSuggestions();
  return form;
}

void SaveSettingsForm(const SettingsForm& form, int32_t keyStroke, int32_t design,
                      Settings& settings) {
  settings.SetRestoreLastWindowPos(form.restorePosition);
  settings.SetUseKeyboardHook(form.useKeyboardHook);
  settings.SetPrepareSearchBox(form.prepareBox);
  settings.SetUseLargeSearchBox(form.largeBox);
  settings.SetHideAtInactivate(form.hideWhenInactive);
  settings.SetSnapSearchBox(form.snap);
  settings.SetRememberImeState(form.rememberIme);
  settings.SetUpdate(form.notifyUpdates);
  settings.SetSearchBoxTransparency(form.opacity);
  settings.SetUseCustomSearchWordsColor(form.customWordsColor);
  settings.SetCustomSearchWordsColor(form.wordsColor);
  settings.SetRememberLastSearchEngine(form.rememberLastEngine);
  settings.SetSetDefaultSearchEngine(form.useDefaultEngine);
  settings.SetRecordSearchWords(form.recordWords);
  settings.SetShowLastSearchWords(form.showLastWords);
  settings.SetSearchSuggestions(form.searchSuggestions);
  if (form.defaultEngine) settings.SetDefaultSearchEngine(*form.defaultEngine);
  settings.SetKeyStroke(keyStroke);
  settings.SetKeyStrokeMonthly(keyStroke);
  settings.SetSearchBoxDesign(design);
}

FormControlStates ControlStatesOf(const SettingsForm& form, int design) noexcept {
  FormControlStates states;
  states.keyStrokeEnabled = form.useKeyboardHook;
  states.colorButtonEnabled = form.customWordsColor;
  states.showLastWordsEnabled = form.recordWords;
  states.useDefaultEngineEnabled = !form.rememberLastEngine;
  states.engineToolbarVisible = !form.rememberLastEngine && form.useDefaultEngine;
  states.snapEnabled = design == 1;
  return states;
}

size_t OpacityItemIndex(int32_t percent) noexcept {
  for (size_t i = 0; i < kOpacityItems.size(); ++i) {
    if (kOpacityItems[i].percent == percent) return i;
  }
  return 0;
}

std::optional<int32_t> OpacityPercent(uint32_t stringId) noexcept {
  for (const OpacityItem& item : kOpacityItems) {
    if (item.stringId == stringId) return item.percent;
  }
  return std::nullopt;
}

}  // namespace brimlet
