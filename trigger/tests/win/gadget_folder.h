// A gadget folder for tests: BrimletHook.dll with the stand-in recorder beside it as
// "Brimlet.exe", in a temporary folder whose name contains a space.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win32/unique_resource.h"

namespace brimlet::testing {

class GadgetFolder {
 public:
  // withProgram false leaves Brimlet.exe out, for starts that must fail.
  explicit GadgetFolder(const std::wstring& label, bool withProgram = true);
  ~GadgetFolder();
  GadgetFolder(const GadgetFolder&) = delete;
  GadgetFolder& operator=(const GadgetFolder&) = delete;

  // Ends with a backslash.
  const std::wstring& path() const { return path_; }
  std::wstring DllPath() const { return path_ + L"BrimletHook.dll"; }
  bool ready() const { return ready_; }

  // What the stand-in recorded, one entry per start: its command lines, its working folders.
  std::vector<std::string> CommandLines() const;
  std::vector<std::string> WorkingFolders() const;
  // Polls until at least count starts are recorded or timeoutMs passes; returns the lines.
  std::vector<std::string> WaitForCommandLines(size_t count, DWORD timeoutMs = 10000) const;

 private:
  std::wstring path_;
  bool ready_ = false;
};

// A window of this thread that the hook takes for the host's hidden window (its class and
// title), or for a ready box's message window; counts the summon messages posted to it.
class SummonRecorder {
 public:
  enum class Kind { kHost, kReadyBox };
  explicit SummonRecorder(Kind kind = Kind::kHost);
  ~SummonRecorder();
  SummonRecorder(const SummonRecorder&) = delete;
  SummonRecorder& operator=(const SummonRecorder&) = delete;

  bool ready() const { return window_ != nullptr; }
  // The summons received so far (pump this thread first).
  size_t count() const { return count_; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND window_ = nullptr;
  size_t count_ = 0;
};

// The switch a recorded command line ends with ("/search"), or "" when there is none.
std::string SwitchOf(const std::string& commandLine);

// Pumps this thread's messages while waiting (hooks and windows of this thread need it).
void PumpFor(DWORD milliseconds);

}  // namespace brimlet::testing
