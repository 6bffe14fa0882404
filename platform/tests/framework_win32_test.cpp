// The thin Win32 framework's cross-process rules, with real windows under Wine.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "win32/instance_finder.h"
#include "win32/scoped_init.h"
#include "win32/window.h"

namespace brimlet::win32 {
namespace {

constexpr wchar_t kClassName[] = L"BrimletFrameworkTestWindow";

class PlainWindow final : public Window {
 public:
  HWND Make(const std::wstring& title) {
    RegisterClass(::GetModuleHandleW(nullptr), kClassName);
    return Create(::GetModuleHandleW(nullptr), kClassName, title.c_str(), WS_OVERLAPPEDWINDOW);
  }

 private:
  bool HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) noexcept override { return false; }
};

HWND WaitForMessageBox(const std::wstring& title) {
  for (int i = 0; i < 500; ++i) {
    if (HWND box = ::FindWindowW(L"#32770", title.c_str())) return box;
    ::Sleep(10);
  }
  return nullptr;
}

// The entry's message boxes carry the role titles; a second start must not take one of
// them for the running box or dialog.
TEST(InstanceFinder, TakesOnlyTheFrameworksWindowsNeverAMessageBox) {
  const std::wstring title = L"ブリムレット finder " + std::to_wstring(::GetCurrentProcessId());
  std::thread asker([&] { ::MessageBoxW(nullptr, L"?", title.c_str(), MB_OK); });
  HWND box = WaitForMessageBox(title);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(FindInstanceWindow({L"#32770", kClassName}, title), nullptr);

  PlainWindow window;
  ASSERT_NE(window.Make(title), nullptr);
  EXPECT_EQ(FindInstanceWindow({L"#32770", kClassName}, title), window.hwnd());
  ::DestroyWindow(window.hwnd());

  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  asker.join();
}

TEST(SendToInstance, GivesUpOnAWindowThatDoesNotAnswer) {
  HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND target = nullptr;
  HANDLE created = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    PlainWindow window;
    target = window.Make(L"busy");
    ::SetEvent(created);
    ::WaitForSingleObject(release, 20000);  // busy: no messages handled meanwhile
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    ::DestroyWindow(window.hwnd());
  });
  ::WaitForSingleObject(created, 5000);
  ASSERT_NE(target, nullptr);
  const DWORD start = ::GetTickCount();
  EXPECT_FALSE(SendToInstance(target, WM_NULL, 0, 0, 300));
  EXPECT_LT(::GetTickCount() - start, 5000u);
  ::SetEvent(release);
  EXPECT_TRUE(SendToInstance(target, WM_NULL, 0, 0, 5000));
  ::PostThreadMessageW(::GetWindowThreadProcessId(target, nullptr), WM_QUIT, 0, 0);
  owner.join();
  ::CloseHandle(release);
  ::CloseHandle(created);
}

// OleInitialize is ended by OleUninitialize: then the next start is a first start again.
TEST(ScopedOle, EndsWhatItStarted) {
  {
    const ScopedOle ole;
    ASSERT_EQ(ole.result(), S_OK);
  }
  const ScopedOle again;
  EXPECT_EQ(again.result(), S_OK);
}

}  // namespace
}  // namespace brimlet::win32
