#include "testing/win32_test_support.h"

#include <shlobj.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace brimlet::testing {

std::wstring BuildRoot() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  dir = dir.substr(0, dir.find_last_of(L'\\'));  // ...\tests
  return dir.substr(0, dir.find_last_of(L'\\') + 1);
}

std::wstring DistFolder() { return BuildRoot() + L"dist\\"; }

std::wstring GadgetFolder() {
  return DistFolder() + L"Gadgets\\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}\\";
}

ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMs) {
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  STARTUPINFOW si{sizeof(si)};
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
    return {};
  }
  ProcessResult result;
  if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    result.ran = ::GetExitCodeProcess(pi.hProcess, &result.exitCode) != FALSE;
  } else {
    ::TerminateProcess(pi.hProcess, 99);
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return result;
}

MessageBoxAnswerer::MessageBoxAnswerer(std::wstring caption, int button)
    : caption_(std::move(caption)), button_(button) {
  thread_ = std::thread([this] {
    while (!stop_) {
      if (HWND box = ::FindWindowW(L"#32770", caption_.c_str())) {
        if (HWND target = ::GetDlgItem(box, button_)) {
          ::SendMessageW(target, BM_CLICK, 0, 0);
          ++answered_;
          // Wait for it to go so it is not counted twice.
          for (int i = 0; i < 100 && ::IsWindow(box); ++i) ::Sleep(20);
        }
      }
      ::Sleep(20);
    }
  });
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  stop_ = true;
  thread_.join();
}

bool CopyFileCreatingFolders(const std::wstring& from, const std::wstring& to) {
  const std::wstring folder = to.substr(0, to.find_last_of(L'\\'));
  ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return ::CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

std::string ReadTextFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

int RunUnixScript(const std::string& script, DWORD timeoutMs,
                  const std::function<void()>& whileWaiting) {
  const std::string base = "/tmp/brimlet-unix-" + std::to_string(::GetCurrentProcessId());
  auto windowsPath = [](const std::string& unixPath) {
    std::wstring path = L"Z:" + std::wstring(unixPath.begin(), unixPath.end());
    for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
    return path;
  };
  const std::wstring rcPath = windowsPath(base + ".rc");
  ::DeleteFileW(rcPath.c_str());
  {
    std::ofstream file(windowsPath(base + ".sh").c_str(), std::ios::binary);
    file << "(\n"
         << script << "\n) >/dev/null 2>&1\necho $? >" << base << ".tmp\nmv " << base << ".tmp "
         << base << ".rc\n";
  }
  std::wstring commandLine = L"Z:\\bin\\sh " + std::wstring(base.begin(), base.end()) + L".sh";
  STARTUPINFOW startup{sizeof(startup)};
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return -1;
  }
  if (process.hProcess) ::CloseHandle(process.hProcess);
  if (process.hThread) ::CloseHandle(process.hThread);
  int exitCode = -1;
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  while (!(std::ifstream(rcPath.c_str()) >> exitCode) && ::GetTickCount64() < end) {
    if (whileWaiting) {
      whileWaiting();
    } else {
      ::Sleep(20);
    }
  }
  ::DeleteFileW(rcPath.c_str());
  ::DeleteFileW(windowsPath(base + ".sh").c_str());
  return exitCode;
}

}  // namespace brimlet::testing
