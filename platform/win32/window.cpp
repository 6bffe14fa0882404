#include "win32/window.h"

#include <cstdio>

#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

// The boundary of both procedures: false (not handled) when the handler threw.
template <typename Handle, typename Result>
bool HandleTraced(const char* procedure, UINT message, Handle handle, Result& result) noexcept {
  try {
    return handle();
  } catch (...) {
    char where[64] = {};
    std::snprintf(where, sizeof(where), "%s message 0x%04X", procedure, message);
    TraceCaughtException(where, __FILE__, __LINE__);
    result = 0;
    return false;
  }
}

constexpr wchar_t kFrameworkWindowProperty[] = L"BrimletFrameworkWindow";

void MarkFrameworkWindow(HWND hwnd) noexcept {
  ::SetPropW(hwnd, kFrameworkWindowProperty, reinterpret_cast<HANDLE>(1));
}

// Properties must be gone before the window is.
void UnmarkFrameworkWindow(HWND hwnd) noexcept { ::RemovePropW(hwnd, kFrameworkWindowProperty); }

}  // namespace

bool IsFrameworkWindow(HWND hwnd) noexcept {
  return ::GetPropW(hwnd, kFrameworkWindowProperty) != nullptr;
}

bool Window::RegisterClass(HINSTANCE instance, const wchar_t* className, HICON icon, UINT style,
                           HBRUSH background) noexcept {
  WNDCLASSEXW wc{sizeof(wc)};
  if (::GetClassInfoExW(instance, className, &wc)) return true;
  wc = WNDCLASSEXW{sizeof(wc)};
  wc.style = style;
  wc.lpfnWndProc = &Window::StaticWndProc;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hIconSm = icon;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  return ::RegisterClassExW(&wc) != 0;
}

HWND Window::Create(HINSTANCE instance, const wchar_t* className, const wchar_t* title, DWORD style,
                    DWORD exStyle, HWND parent, int x, int y, int width, int height) noexcept {
  return ::CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, nullptr,
                           instance, this);
}

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    MarkFrameworkWindow(hwnd);
  } else {
    self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  LRESULT result = 0;
  const bool handled = HandleTraced(
      "window procedure", message,
      [&] { return self->HandleMessage(message, wParam, lParam, result); }, result);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    UnmarkFrameworkWindow(hwnd);
    self->hwnd_ = nullptr;
    const LRESULT final = handled ? result : ::DefWindowProcW(hwnd, message, wParam, lParam);
    self->OnFinalMessage();
    return final;
  }
  return handled ? result : ::DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND Dialog::CreateModeless(HINSTANCE instance, int templateId, HWND owner) noexcept {
  return ::CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, &Dialog::StaticDlgProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::RunModal(HINSTANCE instance, int templateId, HWND owner) noexcept {
  return ::DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, &Dialog::StaticDlgProc,
                           reinterpret_cast<LPARAM>(this));
}

namespace {
// A dialog procedure returns these answers themselves (a brush for WM_CTLCOLOR*) instead of
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) noexcept {
  switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return true;
    default:
      return false;
  }
}
}  // namespace

INT_PTR CALLBACK Dialog::StaticDlgProc(HWND hwnd, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    MarkFrameworkWindow(hwnd);
  } else {
    self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (self == nullptr) return FALSE;
  INT_PTR result = 0;
  const bool handled = HandleTraced(
      "dialog procedure", message,
      [&] { return self->HandleMessage(message, wParam, lParam, result); }, result);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    UnmarkFrameworkWindow(hwnd);
    self->hwnd_ = nullptr;
    self->OnFinalMessage();
    return FALSE;
  }
  if (!handled) return FALSE;
  if (ReturnsResultDirectly(message)) return result;
  ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

}  // namespace brimlet::win32
