// The classic box's window in this test process (its dialog resources are linked in): the
// notice link and what acting on it may open.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "../../resources/searchbox_dialog_ids.h"
#include "catalogue_reader.h"
#include "classic_box_test_support.h"
#include "classic_box_window.h"
#include "search_history.h"
#include "settings_win32.h"
#include "testing/win32_test_support.h"
#include "win32/ui_text.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"

namespace brimlet::win32 {
namespace {

// Runs this thread's messages until the box has posted its quit message or time is up.
bool PumpUntilQuit(DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  MSG msg;
  while (::GetTickCount() - start < timeoutMs) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return true;
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(10);
  }
  return false;
}

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

RECT ChildRect(HWND dialog, int id) {
  RECT rc{};
  ::GetWindowRect(::GetDlgItem(dialog, id), &rc);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

class ClassicBoxWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    settings_.SetUpdate(false);
    settings_.SetRecordSearchWords(true);
    settings_.SetHideAtInactivate(false);
    ::OleInitialize(nullptr);  // as Brimlet.exe does: the auto-complete object is COM
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr);
    for (const std::wstring& path : {recorder_, program_}) {
      ::DeleteFileW((path + L".log").c_str());
      ASSERT_TRUE(testing::CopyFileCreatingFolders(
          testing::BuildRoot() + L"tests\\stand_in_recorder.exe", path));
    }
  }
  void TearDown() override {
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    Gdiplus::GdiplusShutdown(gdiplus_);
    ::OleUninitialize();
  }
  std::string Log(const std::wstring& program, DWORD waitMs) const {
    std::string text;
    for (DWORD waited = 0; waited <= waitMs; waited += 50) {
      text = testing::ReadTextFile(program + L".log");
      if (!text.empty()) break;
      ::Sleep(50);
    }
    return text;
  }

  Win32Registry registry_;
  Settings settings_{registry_};
  ULONG_PTR gdiplus_ = 0;
  const std::wstring recorder_ = L"C:\\brimlet test\\browser\\recorder.exe";
  const std::wstring program_ = L"C:\\brimlet\\program.exe";
};

TEST_F(ClassicBoxWindowTest, ANoticeShowsALinkUnderTheEditThatOpensItsAddress) {
  testing::ShellHandler http(L"http", L"\"" + recorder_ + L"\" \"%1\"");
  settings_.SetNotifyCount(1);
  SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
  ASSERT_NE(box.Create(), nullptr);
  ::ShowWindow(box.hwnd(), SW_SHOW);
  EXPECT_EQ(::GetDlgItem(box.hwnd(), IDC_NOTICE_LINK), nullptr);

  box.Notices()->DeliverNotice(u"新しいバージョン", u"1.7 を公開しました",
                               u"http://www.example.jp/new");
  Pump();
  EXPECT_EQ(settings_.NotifyCount(), 2);
  HWND link = ::GetDlgItem(box.hwnd(), IDC_NOTICE_LINK);
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(::IsWindowVisible(link));
  const RECT linkRect = ChildRect(box.hwnd(), IDC_NOTICE_LINK);
  const RECT edit = ChildRect(box.hwnd(), IDC_SEARCH_WORDS);
  const RECT check = ChildRect(box.hwnd(), IDC_RECORD_SEARCH_WORDS);
  EXPECT_EQ(linkRect.left, edit.left);
  EXPECT_EQ(linkRect.top, check.top);
  EXPECT_GT(linkRect.right, linkRect.left);
  EXPECT_LE(linkRect.right, check.left);

  ::SendMessageW(box.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_NOTICE_LINK, STN_CLICKED),
                 reinterpret_cast<LPARAM>(link));
  EXPECT_TRUE(PumpUntilQuit(5'000));
  EXPECT_EQ(box.hwnd(), nullptr);
  EXPECT_EQ(settings_.NotifyCount(), 3);
  EXPECT_EQ(Log(recorder_, 10'000),
            "\"C:\\brimlet test\\browser\\recorder.exe\" \"http://www.example.jp/new\"\n");
}

TEST_F(ClassicBoxWindowTest, ANoticeAddressThatIsNotAWebAddressIsNeverOffered) {
  // Each of these would start the program if it reached the shell.
  for (const std::u16string& address : {std::u16string(u"C:\\brimlet\\program.exe"),
                                        std::u16string(u"file:///C:/brimlet/program.exe")}) {
    SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
    ASSERT_NE(box.Create(), nullptr);
    box.Notices()->DeliverNotice(u"label", u"description", address);
    Pump();
    EXPECT_EQ(::GetDlgItem(box.hwnd(), IDC_NOTICE_LINK), nullptr);
    EXPECT_EQ(settings_.NotifyCount(), 0);  // not counted either
    ::PostMessageW(box.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntilQuit(5'000));
  }
  EXPECT_EQ(Log(program_, 2'000), "");
}

TEST_F(ClassicBoxWindowTest, AnIncompleteNoticeIsIgnored) {
  SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
  ASSERT_NE(box.Create(), nullptr);
  box.Notices()->DeliverNotice(u"label", u"", u"http://www.example.jp/");
  Pump();
  EXPECT_EQ(::GetDlgItem(box.hwnd(), IDC_NOTICE_LINK), nullptr);
  EXPECT_EQ(settings_.NotifyCount(), 0);
  box.Notices()->DeliverNoNotice();
  EXPECT_EQ(settings_.NotifyCount(), 3);
  ::PostMessageW(box.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntilQuit(5'000));
}

int EngineButtonImage(HWND dialog) {
  TBBUTTONINFOW info{sizeof(info)};
  info.dwMask = TBIF_IMAGE;
  ::SendMessageW(::GetDlgItem(dialog, IDC_ENGINE_TOOLBAR), TB_GETBUTTONINFOW, ID_ENGINE_BUTTON,
                 reinterpret_cast<LPARAM>(&info));
  return info.iImage;
}

std::wstring EngineButtonText(HWND dialog) {
  wchar_t text[256] = {};
  ::SendMessageW(::GetDlgItem(dialog, IDC_ENGINE_TOOLBAR), TB_GETBUTTONTEXTW, ID_ENGINE_BUTTON,
                 reinterpret_cast<LPARAM>(text));
  return text;
}

// Hands a key press to the box as the message loop would.
bool PreTranslateKey(SearchBoxWindow& box, UINT key, bool shift, bool alt) {
  BYTE state[256] = {};
  ::GetKeyboardState(state);
  state[VK_SHIFT] = shift ? 0x80 : 0;
  state[VK_MENU] = alt ? 0x80 : 0;
  ::SetKeyboardState(state);
  MSG msg{::GetDlgItem(box.hwnd(), IDC_SEARCH_WORDS),
          static_cast<UINT>(alt ? WM_SYSKEYDOWN : WM_KEYDOWN), key, alt ? 0x20000001 : 1};
  const bool used = box.PreTranslateMessage(msg);
  state[VK_SHIFT] = state[VK_MENU] = 0;
  ::SetKeyboardState(state);
  return used;
}

TEST_F(ClassicBoxWindowTest, ShiftArrowsAndTheWheelStepThroughTheEnginesWrapping) {
  const std::unique_ptr<SearchEngineList> catalogue =
      LoadCatalogue(Win32FileSystem(), Win32XmlParser(), u"", BRIMLET_CLASSIC_BOX_TEST_DATA_FOLDER);
  ASSERT_TRUE(catalogue);
  ASSERT_EQ(catalogue->GetCount(), 3u);
  SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
  box.SetCatalogue(catalogue.get());
  ASSERT_NE(box.Create(), nullptr);
  const std::wstring names[] = {L"ウェブ検索", L"辞書", L"ショッピング"};
  EXPECT_EQ(EngineButtonText(box.hwnd()), names[0]);  // the catalogue's default

  const int defaultImage = EngineButtonImage(box.hwnd());
  EXPECT_GT(defaultImage, 0);  // the engine's own icon, not the stock picture 0

  EXPECT_TRUE(PreTranslateKey(box, VK_DOWN, true, false));
  EXPECT_EQ(EngineButtonText(box.hwnd()), names[1]);
  const int dictionaryImage = EngineButtonImage(box.hwnd());
  EXPECT_GT(dictionaryImage, 0);
  EXPECT_NE(dictionaryImage, defaultImage);
  EXPECT_TRUE(PreTranslateKey(box, VK_DOWN, true, false));
  EXPECT_EQ(EngineButtonText(box.hwnd()), names[2]);
  // Its icon file is missing: the picture shown before stays.
  EXPECT_EQ(EngineButtonImage(box.hwnd()), dictionaryImage);
  EXPECT_TRUE(PreTranslateKey(box, VK_DOWN, true, false));
  EXPECT_EQ(EngineButtonText(box.hwnd()), names[0]);  // wrapped forwards
  EXPECT_EQ(EngineButtonImage(box.hwnd()), defaultImage);
  EXPECT_TRUE(PreTranslateKey(box, VK_UP, true, false));
  EXPECT_EQ(EngineButtonText(box.hwnd()), names[2]);  // wrapped backwards

  ::SendMessageW(box.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(EngineButtonText(box.hwnd()), names[1]);
  ::SendMessageW(box.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  ::SendMessageW(box.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  EXPECT_EQ(EngineButtonText(box.hwnd()), names[0]);  // wrapped forwards
  ::SendMessageW(box.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, -WHEEL_DELTA), 0);
  EXPECT_EQ(EngineButtonText(box.hwnd()), names[0]);  // with Ctrl held: nothing

  // The edit starts 8 pixels right of the engine button, whatever its width now.
  const RECT bar = ChildRect(box.hwnd(), IDC_ENGINE_TOOLBAR);
  EXPECT_EQ(ChildRect(box.hwnd(), IDC_SEARCH_WORDS).left, bar.right + 8);
  EXPECT_EQ(ChildRect(box.hwnd(), IDC_SEARCH_WORDS).right, ChildRect(box.hwnd(), IDOK).left);

  EXPECT_TRUE(PreTranslateKey(box, VK_ESCAPE, false, false));
  EXPECT_TRUE(PumpUntilQuit(5'000));
}

// The visible completion list of the system auto-complete object, in this process: a
// top-level list box, or a popup holding one.
HWND VisibleCompletionList() {
  struct Found {
    HWND window = nullptr;
  } found;
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        wchar_t name[64] = {};
        ::GetClassNameW(window, name, 64);
        if (process == ::GetCurrentProcessId() && ::IsWindowVisible(window) &&
            (std::wstring(name) == L"ListBox" ||
             ::FindWindowExW(window, nullptr, L"ListBox", nullptr) != nullptr)) {
          reinterpret_cast<Found*>(data)->window = window;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found.window;
}

TEST_F(ClassicBoxWindowTest, WithTheCompletionListOpenEscapeBelongsToTheList) {
  SaveHistory(registry_, {u"apple", u"apricot"}, {u"{A}", u"{A}"});
  SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
  ASSERT_NE(box.Create(), nullptr);
  ::ShowWindow(box.hwnd(), SW_SHOW);
  HWND edit = ::GetDlgItem(box.hwnd(), IDC_SEARCH_WORDS);
  ::SetFocus(edit);
  ::SendMessageW(edit, WM_CHAR, L'a', 1);
  ::SendMessageW(edit, WM_CHAR, L'p', 1);
  for (int i = 0; i < 40 && VisibleCompletionList() == nullptr; ++i) {
    Pump();
    ::Sleep(25);
  }
  if (VisibleCompletionList() == nullptr) {
    ::DestroyWindow(box.hwnd());
    PumpUntilQuit(1'000);
    GTEST_SKIP() << "the platform's auto-complete object showed no list for a typed prefix";
  }
  EXPECT_FALSE(PreTranslateKey(box, VK_ESCAPE, false, false));
  EXPECT_FALSE(PreTranslateKey(box, VK_RETURN, false, false));
  EXPECT_NE(box.hwnd(), nullptr);
  ::DestroyWindow(box.hwnd());
  EXPECT_TRUE(PumpUntilQuit(5'000));
}

TEST_F(ClassicBoxWindowTest, TheInputMethodStateIsSavedOnCloseOnlyWhenRemembered) {
  for (bool remember : {false, true}) {
    SCOPED_TRACE(remember ? "remembered" : "not remembered");
    registry_.DeleteValue(RegistryRoot::kCurrentUser, kSettingsKey, u"ImmOpenStatus");
    settings_.SetRememberImeState(remember);
    SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
    ASSERT_NE(box.Create(), nullptr);
    ::PostMessageW(box.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntilQuit(5'000));
    std::byte value[4] = {};
    const bool stored =
        registry_.QueryValue(RegistryRoot::kCurrentUser, kSettingsKey, u"ImmOpenStatus", value)
            .status == RegistryStatus::kOk;
    EXPECT_EQ(stored, remember);
  }
}

TEST_F(ClassicBoxWindowTest, TheWordsTakeTheCustomColourOnlyWhenItIsOn) {
  settings_.SetCustomSearchWordsColor(RGB(200, 10, 20));
  for (bool custom : {false, true}) {
    SCOPED_TRACE(custom ? "custom" : "system");
    settings_.SetUseCustomSearchWordsColor(custom);
    SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
    ASSERT_NE(box.Create(), nullptr);
    HWND edit = ::GetDlgItem(box.hwnd(), IDC_SEARCH_WORDS);
    HDC dc = ::GetDC(edit);
    ::SetTextColor(dc, RGB(1, 2, 3));
    const LRESULT brush = ::SendMessageW(box.hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(edit));
    EXPECT_EQ(::GetTextColor(dc), custom ? RGB(200, 10, 20) : ::GetSysColor(COLOR_WINDOWTEXT));
    if (custom) {
      EXPECT_NE(brush, 0);
    }
    ::ReleaseDC(edit, dc);
    ::DestroyWindow(box.hwnd());
    EXPECT_TRUE(PumpUntilQuit(5'000));
  }
}

// Pixels of the edit's right half that differ from its background, as on screen.
int MarkedPixels(HWND edit) {
  ::RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  Pump();
  RECT rc{};
  ::GetClientRect(edit, &rc);
  HDC dc = ::GetDC(edit);
  const COLORREF background = ::GetPixel(dc, rc.right - 2, rc.top + 1);
  int marked = 0;
  for (int y = rc.top + 1; y < rc.bottom - 1; ++y) {
    for (int x = (rc.left + rc.right) / 2; x < rc.right - 1; ++x) {
      if (::GetPixel(dc, x, y) != background) ++marked;
    }
  }
  ::ReleaseDC(edit, dc);
  return marked;
}

TEST_F(ClassicBoxWindowTest, TheWindowIconsAreSetOnceTheBoxHasPainted) {
  SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
  ASSERT_NE(box.Create(), nullptr);
  ::ShowWindow(box.hwnd(), SW_SHOW);
  for (int i = 0; i < 50 && ::SendMessageW(box.hwnd(), WM_GETICON, ICON_BIG, 0) == 0; ++i) {
    Pump();
    ::Sleep(10);
  }
  EXPECT_NE(::SendMessageW(box.hwnd(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(::SendMessageW(box.hwnd(), WM_GETICON, ICON_SMALL, 0), 0);
  ::DestroyWindow(box.hwnd());
  EXPECT_TRUE(PumpUntilQuit(5'000));
}

TEST_F(ClassicBoxWindowTest, TheEmptyUnfocusedEditShowsTheCueText) {
  const std::unique_ptr<SearchEngineList> catalogue =
      LoadCatalogue(Win32FileSystem(), Win32XmlParser(), u"", BRIMLET_CLASSIC_BOX_TEST_DATA_FOLDER);
  ASSERT_TRUE(catalogue);
  SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
  box.SetCatalogue(catalogue.get());
  ASSERT_NE(box.Create(), nullptr);
  ::ShowWindow(box.hwnd(), SW_SHOW);
  HWND edit = ::GetDlgItem(box.hwnd(), IDC_SEARCH_WORDS);
  ::SetFocus(edit);
  EXPECT_EQ(MarkedPixels(edit), 0);  // focused: no cue
  ::SetFocus(::GetDlgItem(box.hwnd(), IDOK));
  EXPECT_GT(MarkedPixels(edit), 20);  // "ウェブ検索 で検索", right-aligned
  ::SetWindowTextW(edit, L"x");
  EXPECT_EQ(MarkedPixels(edit), 0);  // words typed: no cue (and "x" sits at the left)
  ::DestroyWindow(box.hwnd());
  EXPECT_TRUE(PumpUntilQuit(5'000));
}

// Runs at the prefix's DPI: "classic_box_window_tests_192dpi" runs it in a prefix of 192 DPI
// on the same 1024x768 desktop, where the dialog template alone is wider than the screen.
TEST_F(ClassicBoxWindowTest, AtTheScreensDpiTheBoxFitsTheWorkAreaAndItsPicturesScale) {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  if (const char* expected = std::getenv("BRIMLET_TEST_DPI")) {
    ASSERT_EQ(dpi, std::atoi(expected)) << "the prefix does not have the DPI this run is for";
  }
  const std::unique_ptr<SearchEngineList> catalogue =
      LoadCatalogue(Win32FileSystem(), Win32XmlParser(), u"", BRIMLET_CLASSIC_BOX_TEST_DATA_FOLDER);
  ASSERT_TRUE(catalogue);
  for (const bool large : {false, true}) {
    SCOPED_TRACE(large ? "large box" : "normal box");
    settings_.SetUseLargeSearchBox(large);
    SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
    box.SetCatalogue(catalogue.get());
    ASSERT_NE(box.Create(), nullptr);
    ::ShowWindow(box.hwnd(), SW_SHOW);
    MONITORINFO monitor{sizeof(monitor)};
    ASSERT_TRUE(
        ::GetMonitorInfoW(::MonitorFromWindow(box.hwnd(), MONITOR_DEFAULTTONEAREST), &monitor));
    RECT window{};
    ::GetWindowRect(box.hwnd(), &window);
    RECT inside{};
    ::IntersectRect(&inside, &window, &monitor.rcWork);
    EXPECT_TRUE(::EqualRect(&inside, &window)) << "the box runs off the work area";
    RECT client{};
    ::GetClientRect(box.hwnd(), &client);
    for (const int id : {IDC_ENGINE_TOOLBAR, IDC_SEARCH_WORDS, IDOK, IDC_RECORD_SEARCH_WORDS,
                         IDC_SYSTEM_TOOLBAR}) {
      const RECT item = ChildRect(box.hwnd(), id);
      ::IntersectRect(&inside, &item, &client);
      EXPECT_TRUE(::EqualRect(&inside, &item)) << "control " << id << " is clipped";
    }
    EXPECT_LE(ChildRect(box.hwnd(), IDC_SEARCH_WORDS).right, ChildRect(box.hwnd(), IDOK).left);
    // The check box's text fits beside its mark.
    const int text = TextWidth(::GetDlgItem(box.hwnd(), IDC_RECORD_SEARCH_WORDS));
    EXPECT_GT(text, 0);
    const RECT checkRect = ChildRect(box.hwnd(), IDC_RECORD_SEARCH_WORDS);
    EXPECT_LE(text + ::GetSystemMetrics(SM_CXMENUCHECK), checkRect.right - checkRect.left);
    // Pictures drawn for 96 DPI, at the screen's.
    const struct {
      int toolbar;
      int size;
    } pictures[] = {{IDC_SYSTEM_TOOLBAR, ::MulDiv(12, dpi, 96)},
                    {IDC_ENGINE_TOOLBAR, ::MulDiv(16, dpi, 96)}};
    for (const auto& picture : pictures) {
      HWND toolbar = ::GetDlgItem(box.hwnd(), picture.toolbar);
      int cx = 0, cy = 0;
      ImageList_GetIconSize(
          reinterpret_cast<HIMAGELIST>(::SendMessageW(toolbar, TB_GETIMAGELIST, 0, 0)), &cx, &cy);
      EXPECT_EQ(cx, picture.size) << "toolbar " << picture.toolbar;
      EXPECT_EQ(cy, picture.size) << "toolbar " << picture.toolbar;
      RECT button{};
      ::SendMessageW(toolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
      const RECT bar = ChildRect(box.hwnd(), picture.toolbar);
      EXPECT_GE(button.bottom - button.top, picture.size);
      EXPECT_LE(button.bottom, bar.bottom - bar.top) << "toolbar " << picture.toolbar;
    }
    ::DestroyWindow(box.hwnd());
    EXPECT_TRUE(PumpUntilQuit(5'000));
  }
}

}  // namespace
}  // namespace brimlet::win32
