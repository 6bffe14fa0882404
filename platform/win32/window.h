// Window and dialog bases: `this` is linked to the HWND on the first message
// (WM_NCCREATE / WM_INITDIALOG, from the creation parameter) and unlinked at
// WM_NCDESTROY, and messages reach the virtual HandleMessage.
//
// The procedures are the error boundary where the system calls in: an exception out of a
// handler is traced and the message gets its default processing (DefWindowProcW, or FALSE
// for a dialog), so handlers carry no `try` of their own.
#pragma once

#include <windows.h>

namespace brimlet::win32 {

// True for a window made through Window or Dialog, in any process: each carries a property
// from its first message to WM_NCDESTROY. The instance finder takes only such windows, never
// a message box that shares a role window's caption.
bool IsFrameworkWindow(HWND hwnd) noexcept;

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window() = default;

  HWND hwnd() const noexcept { return hwnd_; }

  // Registers the class once per process (a second registration is harmless).
  static bool RegisterClass(HINSTANCE instance, const wchar_t* className, HICON icon = nullptr,
                            UINT style = 0, HBRUSH background = nullptr) noexcept;
  HWND Create(HINSTANCE instance, const wchar_t* className, const wchar_t* title, DWORD style,
              DWORD exStyle = 0, HWND parent = nullptr, int x = CW_USEDEFAULT,
              int y = CW_USEDEFAULT, int width = CW_USEDEFAULT,
              int height = CW_USEDEFAULT) noexcept;

 protected:
  // Return true with `result` set when handled; otherwise DefWindowProcW runs.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
  // After WM_NCDESTROY; the object may delete itself here.
  virtual void OnFinalMessage() noexcept {}

 private:
  static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept;
  HWND hwnd_ = nullptr;
};

class Dialog {
 public:
  Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;
  virtual ~Dialog() = default;

  HWND hwnd() const noexcept { return hwnd_; }
  HWND CreateModeless(HINSTANCE instance, int templateId, HWND owner = nullptr) noexcept;
  INT_PTR RunModal(HINSTANCE instance, int templateId, HWND owner = nullptr) noexcept;

 protected:
  // Return true with `result` set (the value for SetWindowLongPtr DWLP_MSGRESULT, or the
  // answer itself for WM_INITDIALOG and the WM_CTLCOLOR* brushes) when handled.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) = 0;
  virtual void OnFinalMessage() noexcept {}

 private:
  static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept;
  HWND hwnd_ = nullptr;
};

}  // namespace brimlet::win32
