// Tessiv.exe itself under Wine and Xvfb, installed with the real trigger module and a
// stand-in Brimlet.exe that records how it was started.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <filesystem>
#include <string>

#include "testing/win32_test_support.h"
#include "text/utf16.h"
#include "win32/scoped_init.h"
#include "win32/shell_start.h"
#include "win32/unique_resource.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"

namespace brimlet {
namespace {

constexpr wchar_t kGadgetGuid[] = L"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}";
constexpr wchar_t kHostClass[] = L"Zelvo_Gadget_WndClass";
constexpr wchar_t kHostTitle[] = L"Zelvo Gadget";
constexpr wchar_t kCallbackName[] = L"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30003}";
constexpr wchar_t kAboutTitle[] = L"Zelvo ブリムレットボックスについて";
constexpr char16_t kProductKey[] = u"SOFTWARE\\Zelvo\\BrimletBox";

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = 10'000) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (condition()) return true;
    ::Sleep(50);
  }
  return condition();
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class Installation {
 public:
  // An installation tree in a folder with a space, as under Program Files.
  explicit Installation(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"host e2e " + std::to_wstring(::GetCurrentProcessId()) + L"\\" +
            name + L"\\";
    // Process ids come back under Wine: start from nothing.
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    gadget_ = root_ + L"Gadgets\\" + kGadgetGuid;
    const std::wstring gadget = gadget_ + L"\\";
    const std::wstring dist = testing::DistFolder();
    const std::wstring built = dist + L"Gadgets\\" + kGadgetGuid + L"\\";
    ok_ =
        testing::CopyFileCreatingFolders(dist + L"Tessiv.exe", root_ + L"Tessiv.exe") &&
        testing::CopyFileCreatingFolders(built + L"gadget.xml", gadget + L"gadget.xml") &&
        testing::CopyFileCreatingFolders(built + L"BrimletHook.dll", gadget + L"BrimletHook.dll") &&
        testing::CopyFileCreatingFolders(testing::BuildRoot() + L"tests\\stand_in_recorder.exe",
                                         gadget + L"Brimlet.exe");
    log_ = gadget + L"Brimlet.exe.log";
  }
  bool ok() const { return ok_; }
  std::wstring Exe() const { return root_ + L"Tessiv.exe"; }
  // The stand-in search-box program and its folder (no separator at the end).
  std::wstring SearchBox() const { return gadget_ + L"\\Brimlet.exe"; }
  std::wstring GadgetFolder() const { return gadget_; }
  std::string Starts() const { return testing::ReadTextFile(log_); }
  std::string StartFolders() const {
    return testing::ReadTextFile(gadget_ + L"\\Brimlet.exe.cwd.log");
  }

 private:
  std::wstring root_;
  std::wstring gadget_;
  std::wstring log_;
  bool ok_ = false;
};

// The first host, started and not awaited.
class RunningHost {
 public:
  explicit RunningHost(const std::wstring& exe) {
    std::wstring line = L"\"" + exe + L"\"";
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                         &pi)) {
      process_.reset(pi.hProcess);
      ::CloseHandle(pi.hThread);
    }
  }
  ~RunningHost() {
    if (process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      ::TerminateProcess(process_.get(), 99);
    }
  }
  HANDLE process() const { return process_.get(); }

 private:
  win32::UniqueHandle process_;
};

HWND HostWindow() { return ::FindWindowW(kHostClass, kHostTitle); }

bool IconPresent(HWND host) {
  // Modifying nothing succeeds only while the icon is there.
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = host;
  data.uID = 100;
  return ::Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void RemoveIcon(HWND host) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = host;
  data.uID = 100;
  ::Shell_NotifyIconW(NIM_DELETE, &data);
}

HWND OpenMenu(HWND host) {
  ::PostMessageW(host, ::RegisterWindowMessageW(kCallbackName), 100, WM_CONTEXTMENU);
  HWND menu = nullptr;
  WaitFor([&] {
    menu = ::FindWindowW(L"#32768", nullptr);
    return menu != nullptr && ::IsWindowVisible(menu);
  });
  return menu;
}

class InstalledVersion {
 public:
  explicit InstalledVersion(std::u16string_view version) {
    const auto* bytes = reinterpret_cast<const std::byte*>(version.data());
    std::vector<std::byte> data(bytes, bytes + version.size() * 2);
    data.resize(data.size() + 2);
    registry_.SetValue(RegistryRoot::kLocalMachine, kProductKey, u"Version", reg_type::kSz, data);
  }
  ~InstalledVersion() {
    registry_.DeleteValue(RegistryRoot::kLocalMachine, kProductKey, u"Version");
  }

 private:
  win32::Win32Registry registry_;
};

TEST(TessivEndToEnd, StartHandOverMenuAndExit) {
  InstalledVersion version(u"1.6.0.28");
  Installation installation(L"first");
  ASSERT_TRUE(installation.ok());
  RunningHost host(installation.Exe());
  ASSERT_TRUE(host.process());

  // The gadget's start export launches the search-box program with "/start".
  ASSERT_TRUE(WaitFor([&] { return Count(installation.Starts(), "/start") == 1; }))
      << installation.Starts();
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (window = HostWindow()) != nullptr; }));
  EXPECT_TRUE(WaitFor([&] { return IconPresent(window); }));

  // A copy of the host at another path is another program: it ends without handing over.
  Installation other(L"second");
  ASSERT_TRUE(other.ok());
  const testing::ProcessResult foreign = testing::RunProcess(L"\"" + other.Exe() + L"\"");
  ASSERT_TRUE(foreign.ran);
  EXPECT_EQ(foreign.exitCode, 0u);
  EXPECT_EQ(other.Starts(), "");  // it started no gadget

  // A second start of the same file hands over: the first runs the default command.
  const testing::ProcessResult second = testing::RunProcess(L"\"" + installation.Exe() + L"\"");
  ASSERT_TRUE(second.ran);
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_TRUE(WaitFor([&] { return Count(installation.Starts(), "/search") == 1; }))
      << installation.Starts();
  EXPECT_EQ(Count(installation.Starts(), "/start"), 1u);

  // The menu opens on the icon's context-menu message; Escape closes it.
  HWND menu = OpenMenu(window);
  ASSERT_NE(menu, nullptr);
  ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(menu); }));

  // "バージョン情報..." is above the last separator; the about box shows the version.
  menu = OpenMenu(window);
  ASSERT_NE(menu, nullptr);
  ::PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
  ::PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
  ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  HWND about = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (about = ::FindWindowW(L"#32770", kAboutTitle)) != nullptr; }));
  wchar_t text[256] = {};
  ::GetDlgItemTextW(about, 1024, text, 256);
  EXPECT_NE(std::wstring(text).find(L"Ver. 1.6.0.28"), std::wstring::npos) << text;
  EXPECT_EQ(std::wstring(text).find(L"{_VERSION_}"), std::wstring::npos);
  ::PostMessageW(about, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(about); }));

  // A restarted taskbar has lost the icon: the host adds it again.
  RemoveIcon(window);
  ASSERT_FALSE(IconPresent(window));
  ::PostMessageW(window, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(WaitFor([&] { return IconPresent(window); }));

  // "終了(&X)" is the last entry: Up from no selection reaches it.
  menu = OpenMenu(window);
  ASSERT_NE(menu, nullptr);
  ::PostMessageW(menu, WM_KEYDOWN, VK_UP, 0);
  ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  ASSERT_EQ(::WaitForSingleObject(host.process(), 10'000), WAIT_OBJECT_0);
  DWORD exitCode = 0;
  ASSERT_TRUE(::GetExitCodeProcess(host.process(), &exitCode));
  EXPECT_EQ(exitCode, 1u);
  EXPECT_FALSE(IconPresent(window));
  EXPECT_EQ(HostWindow(), nullptr);
}

// The way from an elevated host back to the user's normal token. Under Wine every process,
// the shell's too, holds an elevated token, so only the shell's start itself is seen here.
TEST(TessivEndToEnd, TheDesktopShellStartsAProgramWithItsParametersInItsFolder) {
  Installation installation(L"shell start");
  ASSERT_TRUE(installation.ok());
  const win32::ScopedCom com;
  ASSERT_TRUE(win32::StartThroughDesktopShell(installation.SearchBox(), L"/config /RUNSEARCHBOX",
                                              installation.GadgetFolder()));
  ASSERT_TRUE(WaitFor([&] { return !installation.StartFolders().empty(); }))
      << installation.Starts();
  EXPECT_NE(installation.Starts().find("Brimlet.exe\" /config /RUNSEARCHBOX"), std::string::npos)
      << installation.Starts();
  EXPECT_EQ(installation.StartFolders(),
            Utf16ToUtf8(win32::FromWide(installation.GadgetFolder())) + "\n");
}

}  // namespace
}  // namespace brimlet
