// The page contract's window-free rules: folding, the colour text, the completion list's
// decisions and place, the icon path offered to the page, and the notice hand-over.
#include "page_contract.h"

#include <gtest/gtest.h>

#include <optional>

#include "testing/adapters_under_test.h"
#include "text/utf16.h"

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

TEST(LockedPageTest, OnlyTheBoxsOwnAboutBlankAndThenItsOwnPageMayLoad) {
  const std::u16string_view page = u"C:\\Program Files\\Zelvo\\skin\\black\\main.html?t=4711";
  const struct {
    std::u16string_view url;
    bool pageRequested;
    bool allowed;
  } cases[] = {
      {u"about:blank", false, true},
      {u"ABOUT:BLANK", false, true},
      {u"http://evil.example/", false, false},
      // The page as the browser may report it.
      {u"C:\\Program Files\\Zelvo\\skin\\black\\main.html?t=4711", true, true},
      {u"file:///C:/Program%20Files/Zelvo/skin/black/main.html?t=4711", true, true},
      {u"file:///C:/Program%20Files/Zelvo/skin/black/MAIN.HTML%3Ft=4711", true, true},
      // Once the page is asked for, nothing else: not a blank page, not another box's page.
      {u"about:blank", true, false},
      {u"file:///C:/Program%20Files/Zelvo/skin/black/main.html?t=4712", true, false},
      {u"file:///C:/Program%20Files/Zelvo/skin/black/main.html", true, false},
      {u"http://evil.example/main.html?t=4711x", true, false},
      {u"javascript:void(0)", true, false},
      {u"", true, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MayNavigate(c.url, c.pageRequested, page), c.allowed)
        << Utf16ToUtf8(c.url) << (c.pageRequested ? " after the page" : " before the page");
  }
  // An address without its tick is no box page at all.
  EXPECT_FALSE(IsBoxPageAddress(u"file:///C:/a/main.html", u"C:\\a\\main.html"));
}

TEST(LockedPageTest, TheNoticeLinkIsKnownByTheNoticesAddress) {
  const std::u16string_view notice = u"https://brimlet.example/new.html";
  EXPECT_TRUE(IsNoticeRequest(u"https://brimlet.example/new.html", notice));
  EXPECT_TRUE(IsNoticeRequest(u"HTTPS://BRIMLET.EXAMPLE/new.html/", notice));
  EXPECT_TRUE(IsNoticeRequest(u"http://brimlet.example/", u"http://brimlet.example"));
  EXPECT_FALSE(IsNoticeRequest(u"https://brimlet.example/other.html", notice));
  EXPECT_FALSE(IsNoticeRequest(u"javascript:void(0)", notice));
  EXPECT_FALSE(IsNoticeRequest(u"", u""));  // no notice: no window is the notice's
}

TEST(PageScaleTest, TheZoomFollowsTheDpiAndTheBoxOpensOnTheWorkArea) {
  EXPECT_EQ(PageZoomPercent(96), 100);
  EXPECT_EQ(PageZoomPercent(120), 125);
  EXPECT_EQ(PageZoomPercent(144), 150);
  EXPECT_EQ(PageZoomPercent(192), 200);
  EXPECT_EQ(PageZoomPercent(0), 100);

  const Rect monitor{0, 0, 1024, 768};
  const Rect work{0, 0, 1024, 738};
  const struct {
    const char* name;
    int32_t width, height;
    std::optional<Point> restored;
    Rect expected;
  } cases[] = {
      {"centred", 570, 150, std::nullopt, {227, 309, 797, 459}},
      {"restored inside", 570, 150, Point{10, 20}, {10, 20, 580, 170}},
      // Remembered on a monitor to the right that is gone, or below the task bar.
      {"restored off screen", 570, 150, Point{1900, 300}, {454, 300, 1024, 450}},
      {"restored under the task bar", 570, 150, Point{100, 700}, {100, 588, 670, 738}},
      {"restored far up and left", 380, 100, Point{-5000, -5000}, {0, 0, 380, 100}},
      // Wider than the work area: the size stays, the left edge is the area's.
      {"too wide", 1200, 150, Point{300, 10}, {0, 10, 1200, 160}},
      {"damaged corner", 380, 100, Point{INT32_MAX, INT32_MAX}, {644, 638, 1024, 738}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PageBoxOpeningRect(c.width, c.height, c.restored, monitor, work), c.expected)
        << c.name;
  }
}

}  // namespace
}  // namespace brimlet
