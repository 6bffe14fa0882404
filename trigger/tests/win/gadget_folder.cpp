#include "gadget_folder.h"

#include <fstream>

#include "protocol/summon_protocol.h"

namespace brimlet::testing {
namespace {

std::vector<std::string> ReadLines(const std::wstring& path) {
  std::vector<std::string> lines;
  std::ifstream in(path.c_str(), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

}  // namespace

GadgetFolder::GadgetFolder(const std::wstring& label, bool withProgram) {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + L"brimlet gadget " + label + L" " +
          std::to_wstring(::GetCurrentProcessId()) + L"\\";
  ::CreateDirectoryW(path_.c_str(), nullptr);
  ready_ =
      ::CopyFileW(BRIMLET_HOOK_DLL_PATH, DllPath().c_str(), FALSE) &&
      (!withProgram || ::CopyFileW(BRIMLET_STAND_IN_PATH, (path_ + L"Brimlet.exe").c_str(), FALSE));
}

GadgetFolder::~GadgetFolder() {
  for (const wchar_t* name :
       {L"BrimletHook.dll", L"Brimlet.exe", L"Brimlet.exe.log", L"Brimlet.exe.cwd.log"}) {
    ::DeleteFileW((path_ + name).c_str());
  }
  ::RemoveDirectoryW(path_.c_str());
}

std::vector<std::string> GadgetFolder::CommandLines() const {
  return ReadLines(path_ + L"Brimlet.exe.log");
}

std::vector<std::string> GadgetFolder::WorkingFolders() const {
  return ReadLines(path_ + L"Brimlet.exe.cwd.log");
}

std::vector<std::string> GadgetFolder::WaitForCommandLines(size_t count, DWORD timeoutMs) const {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  std::vector<std::string> lines = CommandLines();
  while (lines.size() < count && ::GetTickCount64() < end) {
    PumpFor(50);
    lines = CommandLines();
  }
  return lines;
}

SummonRecorder::SummonRecorder(Kind kind) {
  const wchar_t* className =
      kind == Kind::kHost ? summon::kHostWindowClass : summon::kReadyBoxWindowClass;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = &Proc;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = className;
  ::RegisterClassW(&windowClass);  // already registered by an earlier recorder: fine
  window_ = ::CreateWindowExW(
      0, className, kind == Kind::kHost ? summon::kHostWindowTitle : summon::kReadyBoxWindowTitle,
      0, 0, 0, 0, 0, kind == Kind::kHost ? nullptr : HWND_MESSAGE, nullptr, windowClass.hInstance,
      nullptr);
  if (window_) ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

SummonRecorder::~SummonRecorder() {
  if (window_) ::DestroyWindow(window_);
}

LRESULT CALLBACK SummonRecorder::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == summon::kSummonMessage) {
    if (auto* self =
            reinterpret_cast<SummonRecorder*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) {
      ++self->count_;
    }
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

std::string SwitchOf(const std::string& commandLine) {
  const size_t slash = commandLine.rfind(" /");
  return slash == std::string::npos ? std::string() : commandLine.substr(slash + 1);
}

void PumpFor(DWORD milliseconds) {
  const ULONGLONG end = ::GetTickCount64() + milliseconds;
  for (;;) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    const ULONGLONG now = ::GetTickCount64();
    if (now >= end) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
  }
}

}  // namespace brimlet::testing
