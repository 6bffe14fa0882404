// The page contract's window-free rules: folding, the colour text, the completion list's
// decisions and place, the icon path offered to the page, and the notice hand-over.
#include "page_contract.h"

#include <gtest/gtest.h>

#include <optional>

#include "testing/adapters_under_test.h"

namespace brimlet {
namespace {

TEST(PageContractTest, IdeographicSpacesFoldToAsciiSpaces) {
  EXPECT_EQ(FoldIdeographicSpaces(u"\u3000a\u3000\u3000b c\u3000"), u" a  b c ");
  EXPECT_EQ(FoldIdeographicSpaces(u""), u"");
}

TEST(PageContractTest, ColourIsCssHexFromRedGreenBlue) {
  const struct {
    ColorRef color;
    std::u16string_view css;
  } cases[] = {
      {0x000000FF, u"#ff0000"}, {0x0000FF00, u"#00ff00"},
      {0x00FF0000, u"#0000ff"}, {0x00123456, u"#563412"},
      {0x00ABCDEF, u"#efcdab"}, {0xFF000000, u"#000000"},  // the top byte is no colour
  };
  for (const auto& c : cases) EXPECT_EQ(FormatCssColor(c.color), c.css) << c.color;
}

TEST(PageContractTest, CompletionIsHiddenLeftOrShownByTheCandidates) {
  using Words = std::vector<std::u16string>;
  const struct {
    Words candidates;
    std::u16string_view words;
    CompletionAction action;
  } cases[] = {
      {{}, u"abc", CompletionAction::kHide},
      {{u"abc"}, u"abc", CompletionAction::kLeaveAsIs},
      {{u"ABC"}, u"abc", CompletionAction::kLeaveAsIs},
      {{u"abcd"}, u"abc", CompletionAction::kShow},
      {{u"abc", u"abcd"}, u"abc", CompletionAction::kShow},
      {{u"abc"}, u"", CompletionAction::kShow},
      // Only A to Z fold: a full-width letter is another word.
      {{u"\uFF41"}, u"\uFF21", CompletionAction::kShow},
      // The typed words, not the folded copy, decide whether the candidate is new.
      {{u"a b"}, u"a\u3000b", CompletionAction::kShow},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecideCompletion(c.candidates, c.words), c.action)
        << std::string(c.words.begin(), c.words.end());
  }
}

TEST(PageContractTest, CompletionListFollowsTheFirstMonitorRuleThatFits) {
  const Rect monitor{0, 0, 1000, 800};
  const struct {
    const char* what;
    Point under;
    int32_t width;
    Rect monitor;
    Rect rect;
    bool upward;
  } cases[] = {
      {"inside", {100, 200}, 300, monitor, {100, 200, 400, 300}, false},
      {"past the left edge", {-50, 200}, 300, monitor, {0, 200, 300, 300}, false},
      {"above the top", {100, -20}, 300, monitor, {100, 0, 400, 100}, false},
      {"past the right edge", {800, 200}, 300, monitor, {700, 200, 1000, 300}, false},
      // Field 24 high: the list ends where the field begins.
      {"below the bottom", {100, 750}, 300, monitor, {100, 626, 400, 726}, true},
      {"exactly on the bottom edge", {100, 700}, 300, monitor, {100, 700, 400, 800}, false},
      {"left wins over bottom", {-50, 750}, 300, monitor, {0, 750, 300, 850}, false},
      {"right wins over bottom", {800, 750}, 300, monitor, {700, 750, 1000, 850}, false},
      {"second monitor left of the first",
       {-1500, 200},
       300,
       {-1280, 0, 0, 1024},
       {-1280, 200, -980, 300},
       false},
      {"empty monitor", {-50, 5000}, 300, {}, {-50, 5000, 250, 5100}, false},
  };
  for (const auto& c : cases) {
    const CompletionListPlacement placed = PlaceCompletionList(c.under, c.width, 24, c.monitor);
    EXPECT_EQ(placed.rect, c.rect) << c.what;
    EXPECT_EQ(placed.upward, c.upward) << c.what;
  }
}

std::u16string ImagePathFor(std::u16string image) {
  SearchEngineFields fields;
  fields.catalogueFolder = u"C:\\data\\";
  fields.image = std::move(image);
  const SearchEngineItem engine(fields, nullptr);
  return EngineImagePath(&engine);
}

TEST(PageContractTest, IconPathStaysInTheImageFolder) {
  const struct {
    std::u16string_view image;
    std::u16string_view path;
  } cases[] = {
      {u"web.png", u"C:\\data\\image\\web.png"},
      {u"ウェブ.ico", u"C:\\data\\image\\ウェブ.ico"},
      {u"", u""},
      {u"..", u""},
      {u".", u""},
      {u"..\\..\\Windows\\win.ini", u""},
      {u"../secret.png", u""},
      {u"C:\\Windows\\win.ini", u""},
      {u"C:win.ini", u""},
      {u"\\\\server\\share\\a.png", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ImagePathFor(std::u16string(c.image)), c.path)
        << std::string(c.image.begin(), c.image.end());
  }
  EXPECT_EQ(EngineImagePath(nullptr), u"");
}

class NoticeHandOverTest : public ::testing::Test {
 protected:
  void SetUp() override { registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey); }
  void TearDown() override { registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey); }

  std::unique_ptr<IRegistry> registry_ = testing::MakeRegistry();
  Settings settings_{*registry_};
  std::optional<Notice> handed_;
  NoticeHandOver record_ = [this](Notice notice) { handed_ = std::move(notice); };
};

TEST_F(NoticeHandOverTest, ACompleteNoticeIsCountedAndHandedOver) {
  settings_.SetNotifyCount(1);
  HandOverNotice(settings_, u"新しい版", u"説明", u"http://example.invalid/", record_);
  EXPECT_EQ(settings_.NotifyCount(), 2);
  ASSERT_TRUE(handed_);
  EXPECT_EQ(handed_->label, u"新しい版");
  EXPECT_EQ(handed_->description, u"説明");
  EXPECT_EQ(handed_->address, u"http://example.invalid/");
}

TEST_F(NoticeHandOverTest, ANoticeWithAnEmptyTextOrNoWebAddressIsDroppedUncounted) {
  const struct {
    std::u16string label, description, address;
  } cases[] = {
      {u"", u"d", u"http://a.invalid/"},
      {u"l", u"", u"http://a.invalid/"},
      {u"l", u"d", u""},
      {u"l", u"d", u"javascript:alert(1)"},
      {u"l", u"d", u"file:///C:/Windows/System32/calc.exe"},
      {u"l", u"d", u"C:\\Windows\\System32\\calc.exe"},
  };
  for (const auto& c : cases) {
    settings_.SetNotifyCount(1);
    HandOverNotice(settings_, c.label, c.description, c.address, record_);
    EXPECT_EQ(settings_.NotifyCount(), 1);
    EXPECT_FALSE(handed_);
  }
}

TEST_F(NoticeHandOverTest, NoNoticeReachesTheDailyLimit) {
  settings_.SetNotifyCount(0);
  HandOverNoNotice(settings_);
  EXPECT_EQ(settings_.NotifyCount(), kDailyNoticeLimit);
  EXPECT_EQ(kDailyNoticeLimit, 3);
}

}  // namespace
}  // namespace brimlet
