// The classic box's window in this test process (its dialog resources are linked in): the
// notice link and what acting on it may open.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <string>

#include "../../resources/searchbox_dialog_ids.h"
#include "classic_box_window.h"
#include "settings_win32.h"
#include "testing/win32_test_support.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"

namespace brimlet::win32 {
namespace {

class ShellHandler {
 public:
  ShellHandler(const wchar_t* scheme, const std::wstring& command)
      : key_(std::wstring(scheme) + L"\\shell\\open\\command") {
    wchar_t old[1024] = {};
    DWORD size = sizeof(old);
    had_ = ::RegGetValueW(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, old,
                          &size) == ERROR_SUCCESS;
    if (had_) old_ = old;
    Set(command);
  }
  ~ShellHandler() {
    if (had_) Set(old_);
  }

 private:
  void Set(const std::wstring& value) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS) {
      return;
    }
    ::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
  }
  std::wstring key_;
  bool had_ = false;
  std::wstring old_;
};

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
  ShellHandler http(L"http", L"\"" + recorder_ + L"\" \"%1\"");
  settings_.SetNotifyCount(1);
  SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
  ASSERT_NE(box.Create(), nullptr);
  ::ShowWindow(box.hwnd(), SW_SHOW);
  EXPECT_EQ(::GetDlgItem(box.hwnd(), IDC_NOTICE_LINK), nullptr);

  SearchBoxWindow::OnNotice(&box, u"新しいバージョン", u"1.7 を公開しました",
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

TEST_F(ClassicBoxWindowTest, ANoticeAddressThatIsNotAWebAddressIsNeverOpened) {
  // Each of these would start the program if it reached the shell.
  for (const std::u16string& address : {std::u16string(u"C:\\brimlet\\program.exe"),
                                        std::u16string(u"file:///C:/brimlet/program.exe")}) {
    SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
    ASSERT_NE(box.Create(), nullptr);
    SearchBoxWindow::OnNotice(&box, u"label", u"description", address);
    Pump();
    ::SendMessageW(box.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_NOTICE_LINK, STN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box.hwnd(), IDC_NOTICE_LINK)));
    EXPECT_TRUE(PumpUntilQuit(5'000));
    EXPECT_EQ(settings_.NotifyCount(), 3);  // acted on, so no more notices today
  }
  EXPECT_EQ(Log(program_, 2'000), "");
}

TEST_F(ClassicBoxWindowTest, AnIncompleteNoticeIsIgnored) {
  SearchBoxWindow box(::GetModuleHandleW(nullptr), settings_);
  ASSERT_NE(box.Create(), nullptr);
  SearchBoxWindow::OnNotice(&box, u"label", u"", u"http://www.example.jp/");
  Pump();
  EXPECT_EQ(::GetDlgItem(box.hwnd(), IDC_NOTICE_LINK), nullptr);
  EXPECT_EQ(settings_.NotifyCount(), 0);
  SearchBoxWindow::OnNoNotice(&box);
  EXPECT_EQ(settings_.NotifyCount(), 3);
  ::PostMessageW(box.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(PumpUntilQuit(5'000));
}

}  // namespace
}  // namespace brimlet::win32
