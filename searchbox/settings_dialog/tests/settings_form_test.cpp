// What the settings dialog holds and writes, and which of its controls are usable.
#include "settings_form.h"

#include <gtest/gtest.h>

#include "testing/adapters_under_test.h"

namespace brimlet {
namespace {

class SettingsFormTest : public ::testing::Test {
 protected:
  void SetUp() override { registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey); }
  void TearDown() override { SetUp(); }
  std::unique_ptr<IRegistry> registry_ = testing::MakeRegistry();
  Settings settings_{*registry_};
};

TEST_F(SettingsFormTest, OkWritesWhatWasLoadedAndTheListsChoices) {
  settings_.SetSearchBoxTransparency(55);  // matches no list item: written back unchanged
  settings_.SetCustomSearchWordsColor(0x123456);
  settings_.SetRecordSearchWords(false);
  settings_.SetShowLastSearchWords(true);  // kept although its check box is disabled
  SettingsForm form = LoadSettingsForm(settings_);
  form.snap = !form.snap;
  form.prepareBox = !form.prepareBox;
  form.searchSuggestions = !form.searchSuggestions;
  form.defaultEngine = u"{ENGINE}";
  SaveSettingsForm(form, 4, 0, settings_);

  EXPECT_EQ(settings_.SearchBoxTransparency(), 55);
  EXPECT_EQ(settings_.CustomSearchWordsColor(), 0x123456u);
  EXPECT_FALSE(settings_.RecordSearchWords());
  EXPECT_TRUE(settings_.ShowLastSearchWords());
  EXPECT_EQ(settings_.SnapSearchBox(), form.snap);
  EXPECT_EQ(settings_.PrepareSearchBox(), form.prepareBox);
  EXPECT_EQ(settings_.SearchSuggestions(), form.searchSuggestions);
  EXPECT_EQ(settings_.DefaultSearchEngine(), u"{ENGINE}");
  EXPECT_EQ(settings_.KeyStroke(), 4);
  EXPECT_EQ(settings_.KeyStrokeMonthly(), 4);
  EXPECT_EQ(settings_.SearchBoxDesign(), 0);

  // Without a default engine the stored one is left alone.
  form.defaultEngine.reset();
  SaveSettingsForm(form, 0, 1, settings_);
  EXPECT_EQ(settings_.DefaultSearchEngine(), u"{ENGINE}");
}

TEST(SettingsFormRules, ControlStatesFollowTheValues) {
  struct Case {
    bool rememberLast, useDefault;
    bool useDefaultEnabled, toolbarVisible;
  };
  for (const Case c : {Case{true, true, false, false}, Case{true, false, false, false},
                       Case{false, true, true, true}, Case{false, false, true, false}}) {
    SettingsForm form;
    form.rememberLastEngine = c.rememberLast;
    form.useDefaultEngine = c.useDefault;
    const FormControlStates states = ControlStatesOf(form, 1);
    EXPECT_EQ(states.useDefaultEngineEnabled, c.useDefaultEnabled)
        << c.rememberLast << c.useDefault;
    EXPECT_EQ(states.engineToolbarVisible, c.toolbarVisible) << c.rememberLast << c.useDefault;
  }
  SettingsForm form;
  form.useKeyboardHook = true;
  form.recordWords = false;
  form.customWordsColor = true;
  const FormControlStates states = ControlStatesOf(form, 0);
  EXPECT_TRUE(states.keyStrokeEnabled);
  EXPECT_FALSE(states.showLastWordsEnabled);
  EXPECT_TRUE(states.colorButtonEnabled);
  EXPECT_FALSE(states.snapEnabled);  // the classic design does not snap
  EXPECT_TRUE(ControlStatesOf(form, 1).snapEnabled);
}

TEST(SettingsFormRules, OpacityItemsMapToPercentages) {
  EXPECT_EQ(OpacityItemIndex(100), 0u);
  EXPECT_EQ(OpacityItemIndex(90), 1u);
  EXPECT_EQ(OpacityItemIndex(20), 5u);
  EXPECT_EQ(OpacityItemIndex(55), 0u);
  EXPECT_EQ(OpacityPercent(16401), 90);
  EXPECT_EQ(OpacityPercent(16400), 20);
  EXPECT_EQ(OpacityPercent(16402), std::nullopt);
}

}  // namespace
}  // namespace brimlet
