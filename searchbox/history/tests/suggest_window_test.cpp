// The completion list as a real window under Wine, owned by a stand-in for the box: keys go
// through the message loop's filters, clicks come from the display (xdotool), and the three
// script callbacks are recording dispatch objects.
#include "suggest_window.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "testing/recording_function.h"
#include "testing/win32_test_support.h"
#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

using testing::RecordingFunction;

const std::vector<std::u16string> kFour = {u"東京", u"東京タワー", u"東京駅 時刻表",
                                           u"東京スカイツリー"};
const RECT kBelowField{210, 210, 510, 310};  // as the box computes it: 100 pixels high

// Runs the loop, filters and all, for a while.
void RunLoopFor(MessageLoop& loop, DWORD ms) {
  const UINT_PTR timer =
      ::SetTimer(nullptr, 0, ms, [](HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(0); });
  loop.Run();
  ::KillTimer(nullptr, timer);
}

bool RunLoopUntil(MessageLoop& loop, const std::function<bool()>& done, DWORD timeoutMs = 5000) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
    if (done()) return true;
    RunLoopFor(loop, 20);
  }
  return done();
}

// The box: it hides the list on request and takes the focus back, and it records the keys
// that reach it.
class TestOwner final : public Window, public ISuggestOwner {
 public:
  bool Create() {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    RegisterClass(instance, L"BrimletSuggestTestOwner", nullptr, 0,
                  static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
    return Window::Create(instance, L"BrimletSuggestTestOwner", L"検索ボックス",
                          WS_POPUP | WS_VISIBLE, 0, nullptr, 200, 150, 400, 60) != nullptr;
  }
  void HideSuggestions() noexcept override {
    ++hideRequests;
    if (suggest && suggest->hwnd() && ::IsWindowVisible(suggest->hwnd())) {
      ::ShowWindow(suggest->hwnd(), SW_HIDE);
      ::SetFocus(hwnd());
    }
  }

  SuggestWindow* suggest = nullptr;
  int hideRequests = 0;
  std::vector<WPARAM> keys;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) noexcept override {
    if (message == WM_KEYDOWN) keys.push_back(wParam);
    return false;
  }
};

// A shell script on the Unix side, the loop running meanwhile.
int RunUnix(MessageLoop& loop, const std::string& script) {
  return testing::RunUnixScript(script, 15'000, [&] { RunLoopFor(loop, 20); });
}

// A window on a thread of its own stands for another program's window.
class OtherProgram {
 public:
  OtherProgram() {
    thread_ = std::thread([this] {
      threadId_ = ::GetCurrentThreadId();
      HWND window = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 700, 500, 100,
                                      50, nullptr, nullptr, nullptr, nullptr);
      window_ = window;
      MSG msg;
      while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
      ::DestroyWindow(window);
    });
    for (int i = 0; i < 250 && !window_; ++i) ::Sleep(20);
  }
  ~OtherProgram() {
    for (int i = 0; i < 250 && !::PostThreadMessageW(threadId_, WM_QUIT, 0, 0); ++i) ::Sleep(20);
    thread_.join();
  }
  HWND window() const { return window_; }

 private:
  std::thread thread_;
  std::atomic<DWORD> threadId_ = 0;
  std::atomic<HWND> window_ = nullptr;
};

class SuggestWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(owner_.Create());
    ::SetForegroundWindow(owner_.hwnd());
    ::SetFocus(owner_.hwnd());
    suggest_ = std::make_unique<SuggestWindow>(owner_);
    owner_.suggest = suggest_.get();
  }
  void TearDown() override {
    if (owner_.hwnd()) ::DestroyWindow(owner_.hwnd());
    suggest_.reset();
  }

  // What the box does for each completion request.
  void Open(const std::vector<std::u16string>& candidates, bool typedEmpty, bool upward = false,
            const RECT& rect = kBelowField) {
    if (!suggest_->hwnd()) {
      ASSERT_TRUE(suggest_->Create(owner_.hwnd(), rect, loop_));
    } else {
      suggest_->ClearList();
      suggest_->MoveTo(rect);
    }
    suggest_->SetUpward(upward);
    suggest_->SetCallbacks(&begin_, &changed_, &end_);
    suggest_->ShowCandidates(candidates, typedEmpty);
    suggest_->Show();
    RunLoopFor(loop_, 50);
  }

  void Press(UINT key) {
    ::PostMessageW(::GetFocus() ? ::GetFocus() : owner_.hwnd(), WM_KEYDOWN, key, 1);
    RunLoopFor(loop_, 30);
  }

  int Selected() const {
    return static_cast<int>(::SendMessageW(suggest_->list(), LB_GETCURSEL, 0, 0));
  }
  std::u16string Item(int index) const {
    wchar_t text[256] = {};
    ::SendMessageW(suggest_->list(), LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return FromWide(text);
  }
  int ItemHeight() const {
    return static_cast<int>(::SendMessageW(suggest_->list(), LB_GETITEMHEIGHT, 0, 0));
  }
  RECT WindowRect(HWND window) const {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
  }
  bool Shown() const { return ::IsWindowVisible(suggest_->hwnd()) != FALSE; }

  MessageLoop loop_;
  TestOwner owner_;
  std::unique_ptr<SuggestWindow> suggest_;
  std::vector<std::wstring> calls_;
  RecordingFunction begin_{L"begin", calls_};
  RecordingFunction changed_{L"changed", calls_};
  RecordingFunction end_{L"end", calls_};
};

TEST_F(SuggestWindowTest, DownAndUpInThePageMoveTheSelectionAndCallNothing) {
  Open(kFour, false);
  ASSERT_TRUE(Shown());
  EXPECT_NE(::GetForegroundWindow(), suggest_->hwnd());  // shown without activation
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Item(i), kFour[i]);
  EXPECT_EQ(Selected(), 0);
  struct Step {
    UINT key;
    int selected;
  } steps[] = {
      {VK_DOWN, 1}, {VK_DOWN, 2}, {VK_DOWN, 3}, {VK_DOWN, -1},  // Down on the last: nothing
      {VK_DOWN, 0}, {VK_UP, -1},  {VK_UP, 3},                   // Up with nothing: the last
  };
  for (const Step& step : steps) {
    Press(step.key);
    EXPECT_EQ(Selected(), step.selected);
  }
  EXPECT_TRUE(owner_.keys.empty());  // the page never saw them
  EXPECT_EQ(calls_, std::vector<std::wstring>{L"begin"});

  // Hidden, the list lets the keys through to the page.
  owner_.HideSuggestions();
  Press(VK_DOWN);
  EXPECT_EQ(owner_.keys, std::vector<WPARAM>{VK_DOWN});
  EXPECT_EQ(Selected(), 3);
}

TEST_F(SuggestWindowTest, OpensWithTheFirstCandidateNextToTheField) {
  const std::vector<std::u16string> ten(10, u"候補");
  struct Case {
    const char* name;
    const std::vector<std::u16string>& candidates;
    bool typedEmpty;
    bool upward;
    int selected;
    int inView;  // the item that must be on screen
  } cases[] = {
      {"below", kFour, false, false, 0, 0},
      {"above: the first candidate is the bottom item", kFour, false, true, 3, 3},
      {"below, nothing typed", ten, true, false, -1, 0},
      {"above, nothing typed: scrolled to the bottom", ten, true, true, -1, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open(c.candidates, c.typedEmpty, c.upward);
    EXPECT_EQ(Item(c.upward ? 3 : 0), c.candidates[0]);
    EXPECT_EQ(Selected(), c.selected);
    RECT item{};
    ::SendMessageW(suggest_->list(), LB_GETITEMRECT, c.inView, reinterpret_cast<LPARAM>(&item));
    RECT client{};
    ::GetClientRect(suggest_->list(), &client);
    EXPECT_GE(item.top, client.top);
    EXPECT_LE(item.bottom, client.bottom);
    owner_.HideSuggestions();
  }
}

TEST_F(SuggestWindowTest, ShrinksToFewItemsKeepingTheEdgeAtTheField) {
  const RECT above{210, 100, 510, 200};
  struct Case {
    const char* name;
    size_t count;
    bool upward;
    RECT rect;
  } cases[] = {
      {"below: the top stays", 3, false, kBelowField},
      {"above: the bottom stays", 3, true, above},
      {"too many: the size stays", 10, false, kBelowField},
      {"too many above: the size stays", 10, true, above},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open(std::vector<std::u16string>(c.count, u"候補"), false, c.upward, c.rect);
    const RECT window = WindowRect(suggest_->hwnd());
    const bool fits = c.count * ItemHeight() <= 100;
    const LONG height = fits ? static_cast<LONG>(c.count) * ItemHeight() : 100;
    EXPECT_EQ(window.bottom - window.top, height);
    EXPECT_EQ(c.upward ? window.bottom : window.top, c.upward ? c.rect.bottom : c.rect.top);
    // The list box keeps to the edge at the field too.
    const RECT list = WindowRect(suggest_->list());
    EXPECT_EQ(c.upward ? list.bottom : list.top, c.upward ? window.bottom : window.top);
    if (fits) {
      EXPECT_EQ(list.bottom - list.top, height);
    }
    owner_.HideSuggestions();
  }
}

TEST_F(SuggestWindowTest, BeginAndEndOncePerShowAndHide) {
  Open(kFour, false);
  suggest_->Show();  // shown twice, begun once
  owner_.HideSuggestions();
  owner_.HideSuggestions();
  Open(kFour, false);  // reused: emptied and refilled
  EXPECT_EQ(::SendMessageW(suggest_->list(), LB_GETCOUNT, 0, 0), 4);
  owner_.HideSuggestions();
  EXPECT_EQ(calls_, (std::vector<std::wstring>{L"begin", L"end", L"begin", L"end"}));

  // A new set replaces the old one, which is let go.
  std::vector<std::wstring> otherCalls;
  RecordingFunction otherEnd(L"other end", otherCalls);
  suggest_->SetCallbacks(nullptr, nullptr, &otherEnd);
  EXPECT_EQ(begin_.references(), 1u);
  suggest_->Show();
  owner_.HideSuggestions();
  EXPECT_EQ(otherCalls, std::vector<std::wstring>{L"other end"});
  EXPECT_EQ(calls_.size(), 4u);
}

TEST_F(SuggestWindowTest, AClickOnAnItemHandsItToThePageAndHidesTheList) {
  Open(kFour, false);
  RECT item{};
  ::SendMessageW(suggest_->list(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
  ::MapWindowPoints(suggest_->list(), nullptr, reinterpret_cast<POINT*>(&item), 2);
  const std::string point = std::to_string((item.left + item.right) / 2) + " " +
                            std::to_string((item.top + item.bottom) / 2);
  const std::string desktop =
      "desktop=$(xdotool search --name 'Wine desktop' | head -n1)\n[ -n \"$desktop\" ] || exit 3\n";

  // Hovering selects the item under the mouse; the screenshot shows the list so.
  ASSERT_EQ(RunUnix(loop_, desktop + "xdotool mousemove --window \"$desktop\" " + point), 0);
  EXPECT_TRUE(RunLoopUntil(loop_, [&] { return Selected() == 2; }));
  EXPECT_EQ(
      RunUnix(loop_, "mkdir -p '" BRIMLET_SCREENSHOT_DIR
                     "' && import -window root '" BRIMLET_SCREENSHOT_DIR "/suggest-list.png'"),
      0);
  EXPECT_EQ(calls_, std::vector<std::wstring>{L"begin"});

  ASSERT_EQ(
      RunUnix(loop_, desktop + "xdotool mousemove --window \"$desktop\" " + point + " click 1"), 0);
  EXPECT_TRUE(RunLoopUntil(loop_, [&] { return !Shown(); }));
  RunLoopFor(loop_, 200);
  EXPECT_EQ(calls_, (std::vector<std::wstring>{L"begin", L"changed:東京駅 時刻表", L"end"}));
  EXPECT_EQ(owner_.hideRequests, 1);
}

TEST_F(SuggestWindowTest, AnotherWindowTakingTheActivationHidesTheList) {
  OtherProgram otherProgram;
  const HWND other = otherProgram.window();
  ASSERT_NE(other, nullptr);

  struct Case {
    const char* name;
    bool listActive;  // the user clicked the list's scroll bar, say
    HWND next;
  } cases[] = {
      {"the list was active, the box takes over", true, owner_.hwnd()},
      {"the list was active, another program takes over", true, other},
      {"the box was active, another program takes over", false, other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::SetForegroundWindow(owner_.hwnd());
    RunLoopFor(loop_, 50);
    Open(std::vector<std::u16string>(10, u"候補"), false);
    if (c.listActive) ::SetForegroundWindow(suggest_->hwnd());
    const HWND active = c.listActive ? suggest_->hwnd() : owner_.hwnd();
    ASSERT_TRUE(RunLoopUntil(loop_, [&] { return ::GetForegroundWindow() == active; }));
    ASSERT_TRUE(Shown());
    owner_.hideRequests = 0;
    calls_.clear();
    ::SetForegroundWindow(c.next);
    EXPECT_TRUE(RunLoopUntil(loop_, [&] { return !Shown(); }));
    EXPECT_EQ(owner_.hideRequests, 1);
    EXPECT_EQ(calls_, std::vector<std::wstring>{L"end"});
  }
}

TEST_F(SuggestWindowTest, DestroyingTheBoxWindowEndsTheListAndLetsTheCallbacksGo) {
  Open(kFour, false);
  ::DestroyWindow(owner_.hwnd());
  EXPECT_EQ(suggest_->hwnd(), nullptr);
  EXPECT_EQ(calls_, (std::vector<std::wstring>{L"begin", L"end"}));
  EXPECT_EQ(owner_.hideRequests, 0);
  for (const RecordingFunction* f : {&begin_, &changed_, &end_}) EXPECT_EQ(f->references(), 1u);
  suggest_->ShowCandidates(kFour, false);  // inert, no crash
  Press(VK_DOWN);
}

TEST_F(SuggestWindowTest, DestroyingTheListObjectFirstCallsNobody) {
  Open(kFour, false);
  const HWND popup = suggest_->hwnd();
  suggest_.reset();
  owner_.suggest = nullptr;
  EXPECT_FALSE(::IsWindow(popup));
  EXPECT_EQ(calls_, std::vector<std::wstring>{L"begin"});
  EXPECT_EQ(owner_.hideRequests, 0);
  Press(VK_DOWN);  // the loop no longer holds the filter
  EXPECT_EQ(owner_.keys, std::vector<WPARAM>{VK_DOWN});
}

}  // namespace
}  // namespace brimlet::win32
