/* The minimal window once more, in C and built by the benchmark script with the compiler's
   defaults instead of the project's flags (no static C++ and threading runtime, no
   optimisation, no manifest): what a bare RegisterClass, CreateWindow, ShowWindow costs. */
#include <windows.h>

static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR line, int show) {
  WNDCLASSEXW wc = {sizeof(wc)};
  HWND window;
  MSG msg;
  (void)previous;
  (void)line;
  (void)show;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"BrimletBareWindow";
  if (!RegisterClassExW(&wc)) return 1;
  window = CreateWindowExW(0, wc.lpszClassName, L"bare", WS_OVERLAPPEDWINDOW, 100, 100, 600,
                           120, NULL, NULL, instance, NULL);
  if (window == NULL) return 1;
  ShowWindow(window, SW_SHOWDEFAULT);
  while (GetMessageW(&msg, NULL, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
