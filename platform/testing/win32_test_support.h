// Helpers for Windows tests that drive the real programs under Wine.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace brimlet::testing {

// The build tree's root (the test programs live in its "tests" folder), with a trailing
// backslash.
std::wstring BuildRoot();
// The installation tree the build lays out: BuildRoot() + "dist\".
std::wstring DistFolder();
// The search-box gadget's folder in the installation tree.
std::wstring GadgetFolder();

// Starts a program and waits for it; the exit code, or nothing on failure or time-out.
struct ProcessResult {
  bool ran = false;
  DWORD exitCode = 0;
};
ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs = 30'000);

// Answers message boxes of other processes while it lives: every dialog of class #32770
// with the caption gets `button` clicked. Counts the boxes answered.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer(std::wstring caption, int button);
  ~MessageBoxAnswerer();
  int answered() const noexcept { return answered_; }

 private:
  std::wstring caption_;
  int button_;
  std::atomic<bool> stop_{false};
  std::atomic<int> answered_{0};
  std::thread thread_;
};

// Runs a shell script on the Unix side (xdotool, import) and waits for it, calling
// `whileWaiting` between polls (a test's message loop, say). Wine starts Unix programs
// without a process handle, so the script reports its end in a file. The script's exit code,
// or -1 when it could not start or did not end in time.
int RunUnixScript(const std::string& script, DWORD timeoutMs = 15'000,
                  const std::function<void()>& whileWaiting = {});

// Copies a file, creating the target folder and its parents.
bool CopyFileCreatingFolders(const std::wstring& from, const std::wstring& to);
// Reads a whole UTF-8 file; empty when missing.
std::string ReadTextFile(const std::wstring& path);

}  // namespace brimlet::testing
