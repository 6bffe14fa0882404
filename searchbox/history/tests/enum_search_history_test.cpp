// The history enumerator on its own, and driving the system auto-complete object on a real
// edit control under Wine.
#include "enum_search_history.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

class ComApartment {
 public:
  ComApartment() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComApartment() { ::CoUninitialize(); }
};

ComPtr<IEnumString> MakeEnum(const std::shared_ptr<SearchHistory>& history) {
  ComPtr<IEnumString> strings;
  EXPECT_EQ(CreateEnumSearchHistory(history, strings.put()), S_OK);
  return strings;
}

struct NextResult {
  HRESULT hr;
  ULONG fetched;
  std::vector<std::wstring> strings;
};

NextResult CallNext(IEnumString* strings, ULONG count) {
  std::vector<LPOLESTR> out(count + 1, nullptr);
  NextResult result{};
  result.fetched = 12345;
  result.hr = strings->Next(count, out.data(), &result.fetched);
  for (LPOLESTR s : out) {
    if (!s) continue;
    result.strings.emplace_back(s);
    ::CoTaskMemFree(s);
  }
  return result;
}

const std::shared_ptr<SearchHistory>& ThreeEntries(const std::shared_ptr<SearchHistory>& history) {
  history->AddHistoryEntry(u"oldest", u"{E}");
  history->AddHistoryEntry(u"middle", u"{E}");
  history->AddHistoryEntry(u"newest", u"{E}");
  return history;
}

using Strings = std::vector<std::wstring>;

TEST(EnumSearchHistoryTest, AskingForMoreThanThereAreGivesWhatThereIsAndSFalse) {
  auto history = std::make_shared<SearchHistory>();
  auto strings = MakeEnum(ThreeEntries(history));
  NextResult first = CallNext(strings.get(), 10);
  EXPECT_EQ(first.hr, S_FALSE);
  EXPECT_EQ(first.fetched, 3u);
  EXPECT_EQ(first.strings, (Strings{L"newest", L"middle", L"oldest"}));

  NextResult second = CallNext(strings.get(), 10);
  EXPECT_EQ(second.hr, S_FALSE);
  EXPECT_EQ(second.fetched, 0u);
  EXPECT_TRUE(second.strings.empty());

  EXPECT_EQ(strings->Reset(), S_OK);
  NextResult again = CallNext(strings.get(), 1);
  EXPECT_EQ(again.hr, S_OK);
  EXPECT_EQ(again.fetched, 1u);
  EXPECT_EQ(again.strings, (Strings{L"newest"}));
}

// The auto-complete object may call after the box that made it has gone.
TEST(EnumSearchHistoryTest, KeepsTheHistoryAliveForItsLastCall) {
  auto history = std::make_shared<SearchHistory>();
  auto strings = MakeEnum(ThreeEntries(history));
  const std::weak_ptr<SearchHistory> watch = history;
  history.reset();  // the box ends
  ASSERT_FALSE(watch.expired());
  EXPECT_EQ(CallNext(strings.get(), 1).strings, (Strings{L"newest"}));
  strings.reset();
  EXPECT_TRUE(watch.expired());
  IEnumString* none = nullptr;
  EXPECT_EQ(CreateEnumSearchHistory(nullptr, &none), E_INVALIDARG);
}

TEST(EnumSearchHistoryTest, SeesEntriesAddedAfterItWasCreated) {
  auto history = std::make_shared<SearchHistory>();
  history->AddHistoryEntry(u"first", u"{E}");
  auto strings = MakeEnum(history);
  EXPECT_EQ(CallNext(strings.get(), 1).strings, (Strings{L"first"}));
  // The new entry takes position 0, so the running enumeration hands "first" out again.
  history->AddHistoryEntry(u"second", u"{E}");
  EXPECT_EQ(CallNext(strings.get(), 5).strings, (Strings{L"first"}));
  strings->Reset();
  EXPECT_EQ(CallNext(strings.get(), 5).strings, (Strings{L"second", L"first"}));
}

TEST(EnumSearchHistoryTest, EmptyAndNonAsciiWordsComeBackWhole) {
  auto history = std::make_shared<SearchHistory>();
  history->AddHistoryEntry(u"", u"{E}");
  history->AddHistoryEntry(u"ブリムレット　検索", u"{E}");
  auto strings = MakeEnum(history);
  EXPECT_EQ(CallNext(strings.get(), 2).strings, (Strings{L"ブリムレット　検索", L""}));
}

TEST(EnumSearchHistoryTest, NoCounterIsAcceptedForOneString) {
  auto history = std::make_shared<SearchHistory>();
  auto strings = MakeEnum(ThreeEntries(history));
  LPOLESTR one = nullptr;
  EXPECT_EQ(strings->Next(1, &one, nullptr), S_OK);
  ASSERT_NE(one, nullptr);
  EXPECT_STREQ(one, L"newest");
  ::CoTaskMemFree(one);
  EXPECT_EQ(strings->Next(1, nullptr, nullptr), E_POINTER);
}

TEST(EnumSearchHistoryTest, SkipAdvancesAndTellsWhenItRanOut) {
  auto history = std::make_shared<SearchHistory>();
  auto strings = MakeEnum(ThreeEntries(history));
  EXPECT_EQ(strings->Skip(2), S_OK);
  EXPECT_EQ(CallNext(strings.get(), 5).strings, (Strings{L"oldest"}));
  strings->Reset();
  EXPECT_EQ(strings->Skip(4), S_FALSE);
  EXPECT_EQ(CallNext(strings.get(), 5).fetched, 0u);
  strings->Reset();
  EXPECT_EQ(strings->Skip(0xFFFFFFFFu), S_FALSE);
  EXPECT_EQ(strings->Skip(0xFFFFFFFFu), S_FALSE);  // saturates instead of wrapping to 0
  EXPECT_EQ(CallNext(strings.get(), 5).fetched, 0u);
}

TEST(EnumSearchHistoryTest, CloneIsNotImplementedAndOnlyItsInterfacesAnswer) {
  auto history = std::make_shared<SearchHistory>();
  auto strings = MakeEnum(history);
  IEnumString* clone = reinterpret_cast<IEnumString*>(0x1);
  EXPECT_EQ(strings->Clone(&clone), E_NOTIMPL);
  EXPECT_EQ(clone, nullptr);
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(strings->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
  ComPtr<IUnknown> other;
  EXPECT_EQ(strings->QueryInterface(IID_IEnumVARIANT, other.put_void()), E_NOINTERFACE);
  EXPECT_FALSE(other);
}

// A window with one edit control, as the classic box has, for the real auto-complete object.
class EditWindow {
 public:
  EditWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BrimletAutoCompleteTest";
    ::RegisterClassExW(&wc);
    frame_ = UniqueHWnd(::CreateWindowExW(0, wc.lpszClassName, L"auto-complete",
                                          WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 200,
                                          nullptr, nullptr, wc.hInstance, nullptr));
    edit_ =
        ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                          10, 10, 300, 24, frame_.get(), nullptr, wc.hInstance, nullptr);
  }
  HWND frame() const { return frame_.get(); }
  HWND edit() const { return edit_; }
  void Type(std::wstring_view text) {
    for (wchar_t c : text) {
      ::SendMessageW(edit_, WM_CHAR, c, 1);
      Pump();
    }
  }
  std::wstring Text() const {
    wchar_t buffer[256] = {};
    ::GetWindowTextW(edit_, buffer, 256);
    return buffer;
  }
  std::wstring Selected() const {
    DWORD start = 0, end = 0;
    ::SendMessageW(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                   reinterpret_cast<LPARAM>(&end));
    return Text().substr(start, end - start);
  }
  static void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }

 private:
  UniqueHWnd frame_;
  HWND edit_ = nullptr;
};

TEST(HistoryAutoCompleteTest, TypedPrefixIsCompletedFromTheHistory) {
  ComApartment com;
  auto history = std::make_shared<SearchHistory>();
  history->AddHistoryEntry(u"search words", u"{E}");
  history->AddHistoryEntry(u"brimlet box", u"{E}");
  EditWindow window;
  ASSERT_NE(window.edit(), nullptr);
  ComPtr<IAutoComplete2> autoComplete = AttachHistoryAutoComplete(window.edit(), history);
  ASSERT_TRUE(autoComplete) << "the system auto-complete object is missing";
  DWORD options = 0;
  ASSERT_EQ(autoComplete->GetOptions(&options), S_OK);
  EXPECT_EQ(options, 35u);
  ::SetFocus(window.edit());

  window.Type(L"bri");
  EXPECT_EQ(window.Text(), L"brimlet box");
  EXPECT_EQ(window.Selected(), L"mlet box");  // the appended part, so typing replaces it

  // A search the box records later is offered too: the enumerator reads the live list.
  history->AddHistoryEntry(u"zelvo", u"{E}");
  ::SetWindowTextW(window.edit(), L"");
  window.Type(L"ze");
  EXPECT_EQ(window.Text(), L"zelvo");

  ::SetWindowTextW(window.edit(), L"");
  window.Type(L"q");
  EXPECT_EQ(window.Text(), L"q");  // nothing in the history begins with q
}

TEST(HistoryAutoCompleteTest, MatchingIgnoresCaseButKeepsTheHistoryWords) {
  ComApartment com;
  auto history = std::make_shared<SearchHistory>();
  history->AddHistoryEntry(u"Tokyo Tower", u"{E}");
  EditWindow window;
  ComPtr<IAutoComplete2> autoComplete = AttachHistoryAutoComplete(window.edit(), history);
  ASSERT_TRUE(autoComplete);
  ::SetFocus(window.edit());
  window.Type(L"tok");
  EXPECT_EQ(window.Text(), L"tokyo Tower");
  EXPECT_EQ(window.Selected(), L"yo Tower");
}

}  // namespace
}  // namespace brimlet::win32
