// The hook installed system-wide as the host installs it, and real key presses typed on the
// display (xdotool) into a focused window of another process. Wine-only: it drives the X
// display that Wine's virtual desktop is shown on.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gadget_folder.h"
#include "settings.h"
#include "win32/unique_resource.h"
#include "win32/win32_registry.h"

namespace brimlet {
namespace {

using testing::GadgetFolder;
using testing::PumpFor;
using testing::SummonRecorder;

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

size_t CountLines(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  size_t count = 0;
  std::string line;
  while (std::getline(in, line)) ++count;
  return count;
}

// Runs a shell script on the Unix side of Wine and waits for it. Wine starts Unix programs
// without a process handle, so the script reports its end in a file.
struct UnixResult {
  bool finished = false;
  int exitCode = -1;
  std::string output;
};
UnixResult RunUnix(const std::string& script, DWORD timeoutMs = 15000) {
  const std::string base = "/tmp/brimlet-trigger-e2e-" + std::to_string(::GetCurrentProcessId());
  auto windowsPath = [](const std::string& unixPath) {
    std::wstring path = L"Z:" + Widen(unixPath);
    for (auto& c : path) c = c == L'/' ? L'\\' : c;
    return path;
  };
  for (const char* suffix : {".rc", ".out"}) ::DeleteFileW(windowsPath(base + suffix).c_str());
  {
    std::ofstream file(windowsPath(base + ".sh").c_str(), std::ios::binary);
    file << "(\n"
         << script << "\n) >" << base << ".out 2>&1\necho $? >" << base << ".rc.tmp\n"
         << "mv " << base << ".rc.tmp " << base << ".rc\n";
  }
  std::wstring commandLine = L"Z:\\bin\\sh " + Widen(base + ".sh");
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  UnixResult result;
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return result;
  }
  if (process.hProcess) ::CloseHandle(process.hProcess);
  if (process.hThread) ::CloseHandle(process.hThread);
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  while (::GetTickCount64() < end) {
    std::ifstream rc(windowsPath(base + ".rc").c_str());
    if (rc >> result.exitCode) {
      result.finished = true;
      std::ifstream out(windowsPath(base + ".out").c_str(), std::ios::binary);
      std::ostringstream text;
      text << out.rdbuf();
      result.output = text.str();
      break;
    }
    PumpFor(50);
  }
  for (const char* suffix : {".sh", ".rc", ".out"}) {
    ::DeleteFileW(windowsPath(base + suffix).c_str());
  }
  return result;
}

class HookEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_.DeleteValue(RegistryRoot::kCurrentUser, kSettingsKey, u"UseKeyboardHook");
    registry_.DeleteValue(RegistryRoot::kCurrentUser, kSettingsKey, u"KeyStroke");
    ASSERT_TRUE(folder_.ready()) << "could not lay out the gadget folder";
    ASSERT_TRUE(host_.ready()) << "could not create the stand-in host window";

    // As the host does it: the module loaded by path, its hook for every thread.
    module_.reset(::LoadLibraryW(folder_.DllPath().c_str()));
    ASSERT_TRUE(module_);
    auto proc = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(::GetProcAddress(module_.get(), "KeyboardProc")));
    ASSERT_TRUE(proc);
    hook_.reset(::SetWindowsHookExW(WH_KEYBOARD, proc, module_.get(), 0));
    ASSERT_TRUE(hook_) << "SetWindowsHookExW failed: " << ::GetLastError();

    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring id = std::to_wstring(::GetCurrentProcessId());
    keyLog_ = std::wstring(temp) + L"brimlet-key-target-" + id + L".log";
    ::DeleteFileW(keyLog_.c_str());
    const std::wstring title = L"Brimlet key target " + id;
    std::wstring commandLine =
        L"\"" BRIMLET_KEY_TARGET_PATH L"\" \"" + keyLog_ + L"\" \"" + title + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process));
    target_.reset(process.hProcess);
    ::CloseHandle(process.hThread);
    for (int i = 0; i < 100 && !targetWindow_; ++i) {
      PumpFor(50);
      targetWindow_ = ::FindWindowW(L"BrimletKeyTarget", title.c_str());
    }
    ASSERT_TRUE(targetWindow_) << "the target window did not appear";
    FocusTarget();
  }

  void TearDown() override {
    if (targetWindow_) ::PostMessageW(targetWindow_, WM_CLOSE, 0, 0);
    if (target_) ::WaitForSingleObject(target_.get(), 10000);
    hook_.reset();
    module_.reset();
    ::DeleteFileW(keyLog_.c_str());
    registry_.DeleteValue(RegistryRoot::kCurrentUser, kSettingsKey, u"UseKeyboardHook");
    registry_.DeleteValue(RegistryRoot::kCurrentUser, kSettingsKey, u"KeyStroke");
  }

  // No window manager: focus the virtual desktop's X window, then click into the target.
  void FocusTarget() {
    RECT rect{};
    ::GetWindowRect(targetWindow_, &rect);
    const int x = (rect.left + rect.right) / 2;
    const int y = (rect.top + rect.bottom) / 2;
    const UnixResult focus = RunUnix(
        "desktop=$(xdotool search --name 'Wine desktop' | head -n1)\n"
        "[ -n \"$desktop\" ] || exit 3\n"
        "xdotool windowfocus --sync \"$desktop\" && xdotool mousemove --window \"$desktop\" " +
        std::to_string(x) + " " + std::to_string(y) + " click 1");
    ASSERT_TRUE(focus.finished && focus.exitCode == 0) << "xdotool: " << focus.output;
    for (int i = 0; i < 60 && ::GetForegroundWindow() != targetWindow_; ++i) PumpFor(50);
    ASSERT_EQ(::GetForegroundWindow(), targetWindow_) << "the target did not take the focus";
  }

  // Types keys with xdotool and waits until the target has taken all their messages off its
  // queue, which is when the hook has seen them.
  void Type(const std::string& keys, size_t keyMessages) {
    const size_t before = CountLines(keyLog_);
    const UnixResult typed = RunUnix("xdotool key --delay 40 " + keys);
    ASSERT_TRUE(typed.finished && typed.exitCode == 0) << "xdotool: " << typed.output;
    for (int i = 0; i < 100 && CountLines(keyLog_) < before + keyMessages; ++i) PumpFor(50);
    ASSERT_EQ(CountLines(keyLog_), before + keyMessages) << "the target did not get " << keys;
  }

  win32::Win32Registry registry_;
  GadgetFolder folder_{L"e2e"};
  SummonRecorder host_;
  win32::UniqueHModule module_;
  win32::UniqueHHook hook_;
  win32::UniqueHandle target_;
  HWND targetWindow_ = nullptr;
  std::wstring keyLog_;
};

// The hook in the other program asks the host's window and starts no process itself.
TEST_F(HookEndToEnd, CtrlTwiceAsksTheHostOnceAndOtherPatternsNothing) {
  struct Case {
    const char* keys;
    size_t keyMessages;
    size_t summons;
  } cases[] = {
      {"ctrl", 2, 0},
      {"ctrl a ctrl", 6, 0},
      {"ctrl ctrl", 4, 1},
  };
  // Cases further apart than the double-click time, so none completes another's pair.
  const DWORD gap = ::GetDoubleClickTime() + 700;
  size_t seen = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    Type(c.keys, c.keyMessages);
    if (HasFatalFailure()) return;
    // Posted inside the hook, before the target takes the key.
    PumpFor(gap);
    ASSERT_EQ(host_.count(), seen + c.summons) << "summons after: " << c.keys;
    seen = host_.count();
  }
  EXPECT_TRUE(folder_.CommandLines().empty()) << "the hook started a process";
}

}  // namespace
}  // namespace brimlet
