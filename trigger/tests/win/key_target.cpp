// A window of another process for the end-to-end hook test: it takes the keyboard focus and
// appends each key message it receives ("down 11", "up 11", hexadecimal virtual key) to the
// file named on its command line, so the test knows the keys have passed the hook.
// Usage: trigger_key_target.exe <log file> <window title>
// Closes on WM_CLOSE, and by itself after two minutes so it never outlives a failed test.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

std::wstring g_logPath;

void Record(const char* what, WPARAM key) {
  char line[32];
  const int length = std::snprintf(line, sizeof(line), "%s %x\n", what, static_cast<unsigned>(key));
  HANDLE file = ::CreateFileW(g_logPath.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  ::WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
  ::CloseHandle(file);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      Record("down", wParam);
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      Record("up", wParam);
      return 0;
    case WM_TIMER:
      ::DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv || argc < 3) return 2;
  g_logPath = argv[1];

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"BrimletKeyTarget";
  ::RegisterClassW(&windowClass);
  HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, argv[2], WS_OVERLAPPEDWINDOW, 100,
                                  100, 400, 300, nullptr, nullptr, instance, nullptr);
  ::LocalFree(argv);
  if (!window) return 1;
  ::ShowWindow(window, SW_SHOW);
  ::SetTimer(window, 1, 120000, nullptr);

  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}
