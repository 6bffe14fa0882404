// Brimlet.exe itself under Wine: switches, counting, design migration and the
// single-instance rule, observed through exit codes, the registry and windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <ctime>
#include <string>
#include <thread>

#include "settings.h"
#include "testing/win32_test_support.h"
#include "text/utf16.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"

namespace brimlet {
namespace {

using testing::MessageBoxAnswerer;
using testing::RunProcess;

constexpr wchar_t kBoxTitle[] = L"ブリムレットボックス";
constexpr wchar_t kConfigTitle[] = L"ブリムレットボックスの設定";
constexpr DWORD kBoxClosed = 1;

// Closes every classic search box and settings dialog of another process while it lives (the
// box is the dialog with the search words edit, id 1040, the settings dialog the one with the
// update button, id 1090; the design question has the same class and title but neither).
class BoxCloser {
 public:
  BoxCloser() : thread_([this] { Run(); }) {}
  ~BoxCloser() {
    stop_ = true;
    thread_.join();
  }
  int closed() const noexcept { return closed_; }

 private:
  void Run() {
    while (!stop_) {
      ::EnumWindows(&Visit, reinterpret_cast<LPARAM>(this));
      ::Sleep(50);
    }
  }
  static BOOL CALLBACK Visit(HWND window, LPARAM self) {
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId() && std::wstring(className) == L"#32770" &&
        ::IsWindowVisible(window) &&
        (::GetDlgItem(window, 1040) != nullptr || ::GetDlgItem(window, 1090) != nullptr)) {
      ::PostMessageW(window, WM_CLOSE, 0, 0);
      ++reinterpret_cast<BoxCloser*>(self)->closed_;
    }
    return TRUE;
  }
  std::atomic<bool> stop_{false};
  std::atomic<int> closed_{0};
  std::thread thread_;
};

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  void Clean() {
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    registry_.DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
    // Wine has no HTML engine: as after the first summon of a logon here, the page-based
    // box has failed already, so each start goes to the classic box without the long wait.
    MarkPageFailedThisLogon(true);
  }
  // The volatile key the program leaves when its page could not show in this logon.
  static std::wstring FailedThisLogonKey() {
    return win32::ToWide(kSettingsKey) + L"\\PageBoxFailedThisLogon";
  }
  void MarkPageFailedThisLogon(bool failed) {
    if (!failed) {
      ::RegDeleteKeyW(HKEY_CURRENT_USER, FailedThisLogonKey().c_str());
      return;
    }
    registry_.CreateKey(RegistryRoot::kCurrentUser, kSettingsKey);
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, FailedThisLogonKey().c_str(), 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_READ, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
  }
  static std::wstring Exe() { return L"\"" + testing::GadgetFolder() + L"Brimlet.exe\""; }
  // Runs Brimlet.exe, answering the "cannot create" message with OK.
  testing::ProcessResult Run(const std::wstring& switches) {
    MessageBoxAnswerer failures(kConfigTitle, IDOK);
    BoxCloser boxes;
    return RunProcess(Exe() + L" " + switches);
  }

  win32::Win32Registry registry_;
  Settings settings_{registry_};
};

TEST_F(EntryTest, SwitchesChooseTheRoleAndItsCounting) {
  struct Case {
    const wchar_t* switches;
    DWORD exitCode;
    int searchBox;  // "SearchBox" afterwards
    int configure;  // "Configure" afterwards
  } cases[] = {
      // The page-based box is not in this build: the classic box runs instead and ends
      // with 1 when it is closed.
      {L"/SEARCH", kBoxClosed, 1, 0},
      {L"/Search", kBoxClosed, 1, 0},
      {L"/search", kBoxClosed, 1, 0},
      {L"-search", 0, 0, 0},
      {L"search", 0, 0, 0},
      {L"/search /config", kBoxClosed, 1, 0},
      {L"/config", kBoxClosed, 0, 1},
      {L"/start", 0, 0, 0},
      {L"/search /FROMCONFIGURE", kBoxClosed, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(win32::FromWide(c.switches)));
    Clean();
    // Nothing due, so the start role ends at once (the pings' first run only marks time).
    settings_.SetLastSearchServiceConfig(static_cast<int64_t>(::time(nullptr)));
    const auto result = Run(c.switches);
    ASSERT_TRUE(result.ran);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_EQ(settings_.SearchBox(), c.searchBox);
    EXPECT_EQ(settings_.SearchBoxMonthly(), c.searchBox);
    EXPECT_EQ(settings_.Configure(), c.configure);
  }
}

TEST_F(EntryTest, FromConfigureLeavesTheCountersAsTheyWere) {
  settings_.SetSearchBox(41);
  settings_.SetSearchBoxMonthly(4);
  ASSERT_TRUE(Run(L"/search /FROMCONFIGURE").ran);
  EXPECT_EQ(settings_.SearchBox(), 41);
  EXPECT_EQ(settings_.SearchBoxMonthly(), 4);
}

TEST_F(EntryTest, FreshInstallationSwitchesDesignWithoutAsking) {
  MessageBoxAnswerer question(kBoxTitle, IDNO);
  ASSERT_TRUE(Run(L"/search").ran);
  EXPECT_EQ(question.answered(), 0);
  EXPECT_EQ(settings_.SearchBoxDesign(), 1);
  EXPECT_TRUE(settings_.SearchBoxDesignMigrated());
}

// Wine has no HTML engine: the page-based box is made, its page never shows it, and it gives
// way to the classic box with the message instead of holding the search role invisibly; once
// in a logon: the next summon goes straight to the classic box.
TEST_F(EntryTest, APageBoxThatItsPageCannotShowFallsBackToTheClassicBoxOncePerLogon) {
  settings_.SetSearchBoxDesign(1);
  settings_.SetSearchBoxDesignMigrated(true);
  MarkPageFailedThisLogon(false);  // a new logon
  {
    MessageBoxAnswerer failures(kConfigTitle, IDOK);
    BoxCloser boxes;
    ASSERT_TRUE(RunProcess(Exe() + L" /search").ran);
    EXPECT_EQ(failures.answered(), 1);
    EXPECT_GE(boxes.closed(), 1);
  }
  // What is left is forgotten at logoff: a key that only volatile keys may go under.
  HKEY marker = nullptr;
  ASSERT_EQ(
      ::RegOpenKeyExW(HKEY_CURRENT_USER, FailedThisLogonKey().c_str(), 0, KEY_ALL_ACCESS, &marker),
      ERROR_SUCCESS);
  HKEY child = nullptr;
  EXPECT_EQ(::RegCreateKeyExW(marker, L"probe", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ,
                              nullptr, &child, nullptr),
            ERROR_CHILD_MUST_BE_VOLATILE);
  if (child != nullptr) ::RegCloseKey(child);
  ::RegCloseKey(marker);
  {
    MessageBoxAnswerer failures(kConfigTitle, IDOK);
    BoxCloser boxes;
    const DWORD start = ::GetTickCount();
    ASSERT_TRUE(RunProcess(Exe() + L" /search").ran);
    EXPECT_EQ(failures.answered(), 0);
    EXPECT_GE(boxes.closed(), 1);
    EXPECT_LT(::GetTickCount() - start, 10'000u) << "the page was waited for again";
  }
  EXPECT_EQ(settings_.SearchBoxDesign(), 1);  // the user's choice stays
}

TEST_F(EntryTest, UpgradedInstallationAsksOnce) {
  const std::byte one[4] = {std::byte{1}};
  ASSERT_TRUE(registry_.SetValue(RegistryRoot::kLocalMachine, kProductKey, u"Upgrade",
                                 reg_type::kDword, one));
  {
    MessageBoxAnswerer question(kBoxTitle, IDNO);
    ASSERT_TRUE(Run(L"/search").ran);
    EXPECT_EQ(question.answered(), 1);
  }
  EXPECT_EQ(settings_.SearchBoxDesign(), 0);
  EXPECT_TRUE(settings_.SearchBoxDesignMigrated());
  MessageBoxAnswerer again(kBoxTitle, IDNO);
  ASSERT_TRUE(Run(L"/search").ran);
  EXPECT_EQ(again.answered(), 0);
}

TEST_F(EntryTest, SettingsDialogHandsBackToTheBoxOnlyWhenAsked) {
  // The re-launched search role is seen by what it writes: the design migration.
  MessageBoxAnswerer failures(kConfigTitle, IDOK);
  BoxCloser boxes;
  auto searchRoleRan = [&] {
    for (int i = 0; i < 100; ++i) {
      if (settings_.SearchBoxDesignMigrated()) return true;
      ::Sleep(50);
    }
    return false;
  };
  ASSERT_EQ(RunProcess(Exe() + L" /config").exitCode, kBoxClosed);
  EXPECT_FALSE(searchRoleRan());
  ASSERT_EQ(RunProcess(Exe() + L" /config /RUNSEARCHBOX").exitCode, kBoxClosed);
  EXPECT_TRUE(searchRoleRan());
  // The re-launched process ends with its box; its mutex goes with it.
  for (int i = 0; i < 200; ++i) {
    HANDLE running = ::OpenMutexW(SYNCHRONIZE, FALSE, L"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}");
    if (running == nullptr) break;
    if (running != nullptr) ::CloseHandle(running);
    ::Sleep(50);
  }
  EXPECT_EQ(settings_.SearchBox(), 0);  // it came from the dialog: not counted
  EXPECT_EQ(settings_.Configure(), 2);
}

// A dialog-class window of this test program, which records WM_CLOSE.
class DecoyWindow {
 public:
  DecoyWindow() {
    hwnd_ = ::CreateWindowExW(0, L"#32770", kBoxTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                              300, 120, nullptr, nullptr, nullptr, nullptr);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
  }
  ~DecoyWindow() { ::DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }
  int closes = 0;

 private:
  static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<DecoyWindow*>(::GetWindowLongPtrW(h, GWLP_USERDATA));
    if (m == WM_CLOSE) {
      ++self->closes;
      return 0;
    }
    return ::CallWindowProcW(self->original_, h, m, w, l);
  }
  HWND hwnd_ = nullptr;
  WNDPROC original_ = nullptr;
};

// Waits for a process while pumping this thread's messages, so messages sent to our
// windows from the other process (activation moving away from them, too) are delivered.
bool WaitPumping(HANDLE process, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (::MsgWaitForMultipleObjects(1, &process, FALSE, 200, QS_ALLINPUT) == WAIT_OBJECT_0) {
      return true;
    }
    if (::GetTickCount() - start >= timeoutMs) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
}

DWORD RunPumping(const std::wstring& commandLine) {
  std::wstring line = commandLine;
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
    return 0xDEAD;
  }
  WaitPumping(pi.hProcess, 30'000);
  DWORD code = 0xDEAD;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return code;
}

TEST_F(EntryTest, AWindowOfAnotherProgramIsNeverTakenForTheRunningBox) {
  HANDLE held = ::CreateMutexW(nullptr, FALSE, L"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}");
  ASSERT_NE(held, nullptr);
  DecoyWindow decoy;
  ::SetForegroundWindow(decoy.hwnd());
  EXPECT_EQ(RunPumping(Exe() + L" /search"), 0u);
  EXPECT_EQ(decoy.closes, 0);  // a match would have been sent WM_CLOSE as the foreground box
  EXPECT_EQ(settings_.SearchBox(), 0);  // the second start is not counted
  ::CloseHandle(held);
}

TEST_F(EntryTest, SecondStartNeverTakesTheDesignQuestionForTheBox) {
  // The design question of an upgraded installation is a message box of class #32770 titled
  // like the box, owned by Brimlet.exe while it holds the search mutex: it is not the box.
  const std::byte one[4] = {std::byte{1}};
  ASSERT_TRUE(registry_.SetValue(RegistryRoot::kLocalMachine, kProductKey, u"Upgrade",
                                 reg_type::kDword, one));
  std::wstring line = Exe() + L" /search";
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION first{};
  ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &si, &first));
  HWND box = nullptr;
  for (int i = 0; i < 200 && box == nullptr; ++i) {
    ::Sleep(50);
    box = ::FindWindowW(L"#32770", kBoxTitle);
  }
  ASSERT_NE(box, nullptr);

  DecoyWindow other;  // takes the foreground away from the box
  ::SetWindowTextW(other.hwnd(), L"other");
  ::SetForegroundWindow(other.hwnd());
  ASSERT_NE(::GetForegroundWindow(), box);
  EXPECT_EQ(RunPumping(Exe() + L" /search"), 0u);
  EXPECT_NE(::GetForegroundWindow(), box);
  EXPECT_TRUE(::IsWindow(box));
  EXPECT_EQ(other.closes, 0);

  {
    MessageBoxAnswerer no(kBoxTitle, IDNO);
    MessageBoxAnswerer failures(kConfigTitle, IDOK);
    BoxCloser boxes;
    // The box takes the activation from our window, which must answer for that.
    EXPECT_TRUE(WaitPumping(first.hProcess, 20'000));
  }
  ::CloseHandle(first.hThread);
  ::CloseHandle(first.hProcess);
  EXPECT_EQ(settings_.SearchBox(), 1);  // only the first start counted
}

}  // namespace
}  // namespace brimlet
