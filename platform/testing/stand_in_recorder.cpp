// A stand-in for a program that other programs start: the search-box program started by the
// trigger module or the host, or a browser registered for http/https in HKCR.
//
// Contract, for tests:
// - Each start appends one line to "<own module path>.log": the full command line exactly as
//   GetCommandLineW gives it, as UTF-8, ended by "\n". Copied as "C:\x y\Brimlet.exe" it
//   records into "C:\x y\Brimlet.exe.log".
// - Each start also appends its working folder (GetCurrentDirectoryW, UTF-8, "\n") to
//   "<own module path>.cwd.log", so a test can check the folder a launcher passed.
// - The files are opened for appending with sharing, so starts that overlap each keep a
//   whole line; a test polls for the line it expects (the start is not awaited by the
//   launcher).
// - It shows no window and exits with 0 once the lines are written (1 if it cannot write).
#include <windows.h>

#include <string>

#include "text/utf16.h"
#include "win32/unique_resource.h"
#include "win32/wide.h"

namespace {

bool AppendLine(const std::wstring& path, std::wstring_view text) {
  const std::string line = brimlet::Utf16ToUtf8(brimlet::win32::FromWide(text)) + "\n";
  brimlet::win32::UniqueFileHandle file(::CreateFileW(
      path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
         written == line.size();
}

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::wstring CurrentFolder() {
  const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(needed, L'\0');
  const DWORD n = ::GetCurrentDirectoryW(needed, folder.data());
  folder.resize(n < needed ? n : 0);
  return folder;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::wstring self = OwnPath();
  if (self.empty()) return 1;
  const bool recorded = AppendLine(self + L".log", ::GetCommandLineW()) &&
                        AppendLine(self + L".cwd.log", CurrentFolder());
  return recorded ? 0 : 1;
}
