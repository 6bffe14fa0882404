// The classic box's own completion list with "SearchSuggestions" on: what it asks a real
// local search service (suggest_server.py) and when, what it shows, and Shift+Delete.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../../resources/searchbox_dialog_ids.h"
#include "classic_box_window.h"
#include "search_history.h"
#include "settings_win32.h"
#include "suggest_server_client.h"
#include "testing/win32_test_support.h"
#include "text/utf16.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"

namespace brimlet::win32 {
namespace {

// Runs the thread's messages as the program's loop does, the box's filter first, for
// `ms`, or until `done` holds. The longest pause between two rounds is kept.
bool RunBox(SearchBoxWindow& box, DWORD ms, const std::function<bool()>& done = {},
            DWORD* longestGap = nullptr) {
  const DWORD start = ::GetTickCount();
  DWORD last = start;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return done ? done() : true;
      if (!box.PreTranslateMessage(msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
    }
    const DWORD now = ::GetTickCount();
    if (longestGap) *longestGap = std::max(*longestGap, now - last);
    last = now;
    if (done && done()) return true;
    if (now - start >= ms) return !done;
    ::Sleep(5);
  }
}

using Items = std::vector<SuggestionItem>;

Items ListItems(const SearchBoxWindow& box) {
  const SuggestWindow* list = box.Suggestions();
  if (list == nullptr || list->hwnd() == nullptr || !::IsWindowVisible(list->hwnd())) return {};
  return list->Items();
}

bool HasServiceItem(const Items& items) {
  return std::any_of(items.begin(), items.end(), [](const SuggestionItem& item) {
    return item.source == SuggestionSource::kService;
  });
}

std::wstring Field(const SearchBoxWindow& box) {
  wchar_t text[128] = {};
  ::GetDlgItemTextW(box.hwnd(), IDC_SEARCH_WORDS, text, 128);
  return text;
}

std::pair<int, int> Selection(const SearchBoxWindow& box) {
  DWORD start = 0, end = 0;
  ::SendDlgItemMessageW(box.hwnd(), IDC_SEARCH_WORDS, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
  return {static_cast<int>(start), static_cast<int>(end)};
}

void Key(SearchBoxWindow& box, UINT key, bool shift) {
  BYTE state[256] = {};
  ::GetKeyboardState(state);
  state[VK_SHIFT] = shift ? 0x80 : 0;
  ::SetKeyboardState(state);
  MSG msg{::GetDlgItem(box.hwnd(), IDC_SEARCH_WORDS), WM_KEYDOWN, key, 1};
  if (!box.PreTranslateMessage(msg)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  state[VK_SHIFT] = 0;
  ::SetKeyboardState(state);
}

class ClassicBoxSuggestionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(testing::SuggestServerPort().empty()) << "the suggest server fixture did not run";
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    settings_.SetUpdate(false);
    settings_.SetRecordSearchWords(true);
    settings_.SetShowLastSearchWords(false);
    settings_.SetHideAtInactivate(false);
    settings_.SetSearchSuggestions(true);
    ::OleInitialize(nullptr);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr);
  }
  void TearDown() override {
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    Gdiplus::GdiplusShutdown(gdiplus_);
    ::OleUninitialize();
  }

  std::unique_ptr<SearchEngineList> Catalogue(const std::string& serverCase) const {
    return testing::SuggestingCatalogue(serverCase);
  }

  // The box open and painted, its list set up, the server's log empty.
  std::unique_ptr<SearchBoxWindow> OpenBox(const SearchEngineList& catalogue) {
    auto box = std::make_unique<SearchBoxWindow>(::GetModuleHandleW(nullptr), settings_);
    box->SetCatalogue(&catalogue);
    if (box->Create() == nullptr) return nullptr;
    ::ShowWindow(box->hwnd(), SW_SHOW);
    ::UpdateWindow(box->hwnd());
    RunBox(*box, 3'000, [&] { return box->Suggestions() != nullptr; });
    testing::SuggestServerText("/reset");
    return box;
  }

  // The same, with three stored words, two of them for "tokyo".
  std::unique_ptr<SearchBoxWindow> OpenBoxWithHistory(const SearchEngineList& catalogue) {
    SaveHistory(registry_, {u"tokyo dome", u"Tokyo Tower", u"osaka"}, {u"{E1}", u"{E2}", u"{E3}"});
    return OpenBox(catalogue);
  }

  void Type(SearchBoxWindow& box, const std::wstring& text, DWORD msPerKey) {
    HWND edit = ::GetDlgItem(box.hwnd(), IDC_SEARCH_WORDS);
    for (const wchar_t c : text) {
      ::PostMessageW(edit, WM_CHAR, c, 1);
      RunBox(box, msPerKey);
    }
  }

  void Close(std::unique_ptr<SearchBoxWindow>& box) {
    ::DestroyWindow(box->hwnd());
    RunBox(*box, 500);
    box.reset();
  }

  Win32Registry registry_;
  Settings settings_{registry_};
  ULONG_PTR gdiplus_ = 0;
};

TEST_F(ClassicBoxSuggestionsTest, TypingAsksOnceForTheWordsAndListsHistoryThenSuggestions) {
  const auto catalogue = Catalogue("ok");
  auto box = OpenBoxWithHistory(*catalogue);
  ASSERT_TRUE(box && box->Suggestions());

  Type(*box, L"tokyo", 20);
  // History at once, before the service could be asked.
  EXPECT_EQ(ListItems(*box), (Items{{u"tokyo dome", SuggestionSource::kHistory},
                                    {u"Tokyo Tower", SuggestionSource::kHistory}}));
  ASSERT_TRUE(RunBox(*box, 3'000, [&] { return HasServiceItem(ListItems(*box)); }));
  RunBox(*box, 400);  // a second request would have been made by now
  // The first history word completed the field inline, its added part selected.
  EXPECT_EQ(Field(*box), L"tokyo dome");
  EXPECT_EQ(Selection(*box), std::make_pair(5, 10));
  EXPECT_EQ(testing::SuggestServerText("/log"), "ok tokyo\n");  // one request, no cookie sent back
  // History first; "tokyo dome" and "tokyo tower" are listed already (case aside).
  EXPECT_EQ(ListItems(*box), (Items{{u"tokyo dome", SuggestionSource::kHistory},
                                    {u"Tokyo Tower", SuggestionSource::kHistory},
                                    {u"tokyo station", SuggestionSource::kService}}));
  EXPECT_EQ(testing::RunUnixScript("mkdir -p '" BRIMLET_SCREENSHOT_DIR
                                   "' && import -window root '" BRIMLET_SCREENSHOT_DIR
                                   "/classic-box-suggestions.png'",
                                   15'000, [&] { RunBox(*box, 20); }),
            0);

  // The cookie the first answer set is never sent back.
  Type(*box, L" ", 0);
  ASSERT_TRUE(RunBox(*box, 3'000, [&] { return HasServiceItem(ListItems(*box)); }));
  EXPECT_EQ(testing::SuggestServerText("/log"), "ok tokyo\nok tokyo \n");

  // A clicked service suggestion fills the field as a history word would, and closes the
  // list; the history records only what is searched.
  const Items items = ListItems(*box);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[2], (SuggestionItem{u"tokyo  station", SuggestionSource::kService}));
  HWND list = box->Suggestions()->list();
  RECT item{};
  ::SendMessageW(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
  const LPARAM point = MAKELPARAM(item.left + 5, (item.top + item.bottom) / 2);
  ::SendMessageW(list, WM_MOUSEMOVE, 0, point);
  ::SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, point);
  ::SendMessageW(list, WM_LBUTTONUP, 0, point);
  RunBox(*box, 300);
  EXPECT_EQ(Field(*box), L"tokyo  station");
  EXPECT_TRUE(ListItems(*box).empty());
  RunBox(*box, 500);
  EXPECT_EQ(testing::SuggestServerText("/log"),
            "ok tokyo\nok tokyo \n");  // the filled words are not sent
  Close(box);
  EXPECT_EQ(LoadHistory(registry_).words,
            (std::vector<std::u16string>{u"tokyo dome", u"Tokyo Tower", u"osaka"}));
}

TEST_F(ClassicBoxSuggestionsTest, AServiceSuggestionNeverCompletesTheField) {
  const auto catalogue = Catalogue("ok");
  auto box = OpenBox(*catalogue);
  ASSERT_TRUE(box && box->Suggestions());
  Type(*box, L"tokyo", 20);
  ASSERT_TRUE(RunBox(*box, 3'000, [&] { return HasServiceItem(ListItems(*box)); }));
  EXPECT_EQ(ListItems(*box).front(),
            (SuggestionItem{u"tokyo station", SuggestionSource::kService}));
  EXPECT_EQ(Field(*box), L"tokyo");
  EXPECT_EQ(Selection(*box), std::make_pair(5, 5));
  EXPECT_EQ(box->Suggestions()->Selected(), std::nullopt);  // Enter searches what was typed
  Close(box);
}

TEST_F(ClassicBoxSuggestionsTest, ShiftDeleteRemovesAHighlightedHistoryWordOnly) {
  const auto catalogue = Catalogue("ok");
  auto box = OpenBoxWithHistory(*catalogue);
  ASSERT_TRUE(box && box->Suggestions());
  Type(*box, L"tokyo", 0);
  ASSERT_TRUE(RunBox(*box, 3'000, [&] { return HasServiceItem(ListItems(*box)); }));

  Key(*box, VK_DOWN, false);  // "tokyo dome"
  Key(*box, VK_DELETE, true);
  EXPECT_EQ(LoadHistory(registry_).words, (std::vector<std::u16string>{u"Tokyo Tower", u"osaka"}));
  EXPECT_EQ(LoadHistory(registry_).engines, (std::vector<std::u16string>{u"{E2}", u"{E3}"}));
  EXPECT_EQ(ListItems(*box), (Items{{u"Tokyo Tower", SuggestionSource::kHistory},
                                    {u"tokyo station", SuggestionSource::kService}}));

  Key(*box, VK_DOWN, false);  // the service's "tokyo station"
  ASSERT_TRUE(box->Suggestions()->Selected());
  EXPECT_EQ(box->Suggestions()->Selected()->source, SuggestionSource::kService);
  Key(*box, VK_DELETE, true);
  EXPECT_EQ(ListItems(*box).size(), 2u);
  EXPECT_EQ(LoadHistory(registry_).words.size(), 2u);
  Close(box);
}

TEST_F(ClassicBoxSuggestionsTest, WithTheSettingOffNothingIsAsked) {
  settings_.SetSearchSuggestions(false);
  const auto catalogue = Catalogue("ok");
  auto box = std::make_unique<SearchBoxWindow>(::GetModuleHandleW(nullptr), settings_);
  box->SetCatalogue(catalogue.get());
  ASSERT_NE(box->Create(), nullptr);
  ::ShowWindow(box->hwnd(), SW_SHOW);
  RunBox(*box, 300);
  testing::SuggestServerText("/reset");
  Type(*box, L"tokyo", 20);
  RunBox(*box, 1'000);
  EXPECT_EQ(testing::SuggestServerText("/log"), "");
  EXPECT_EQ(box->Suggestions(), nullptr);
  Close(box);
}

TEST_F(ClassicBoxSuggestionsTest, ASlowLargeBrokenOrForeignAnswerGivesNoSuggestions) {
  for (const char* serverCase : {"slow", "huge", "bad", "other"}) {
    SCOPED_TRACE(serverCase);
    const auto catalogue = Catalogue(serverCase);
    auto box = OpenBox(*catalogue);
    ASSERT_TRUE(box && box->Suggestions());
    Type(*box, L"tokyo", 0);
    DWORD longestGap = 0;
    // The slow answer comes at 3.2 s, past the 2 s limit.
    RunBox(*box, std::string(serverCase) == "slow" ? 4'000 : 1'500, {}, &longestGap);
    EXPECT_EQ(testing::SuggestServerText("/log"), std::string(serverCase) + " tokyo\n");
    EXPECT_FALSE(HasServiceItem(ListItems(*box)));
    EXPECT_LT(longestGap, 250u) << "the box's thread waited";
    Close(box);
  }
}

}  // namespace
}  // namespace brimlet::win32
