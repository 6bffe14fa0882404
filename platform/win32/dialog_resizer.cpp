#include "win32/dialog_resizer.h"

namespace brimlet::win32 {
namespace {

SIZE ClientSize(HWND window) noexcept {
  RECT rc{};
  ::GetClientRect(window, &rc);
  return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

}  // namespace

void DialogResizer::Start(HWND dialog, std::span<const ResizeEntry> table, const Options& options) {
  dialog_ = dialog;
  table_.assign(table.begin(), table.end());
  client_ = ClientSize(dialog);
  if (options.minimumIsInitialSize) {
    RECT rc{};
    ::GetWindowRect(dialog, &rc);
    minimum_ = SIZE{rc.right - rc.left, rc.bottom - rc.top};
  }
  if (options.clipChildren) {
    ::SetWindowLongPtrW(dialog, GWL_STYLE,
                        ::GetWindowLongPtrW(dialog, GWL_STYLE) | WS_CLIPCHILDREN);
  }
  if (options.sizeGrip) {
    const int cx = ::GetSystemMetrics(SM_CXVSCROLL);
    const int cy = ::GetSystemMetrics(SM_CYHSCROLL);
    grip_ = ::CreateWindowExW(
        0, L"SCROLLBAR", nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN,
        client_.cx - cx, client_.cy - cy, cx, cy, dialog, nullptr, nullptr, nullptr);
  }
}

void DialogResizer::Rebase() noexcept {
  if (dialog_ != nullptr) client_ = ClientSize(dialog_);
}

void DialogResizer::LaidOutFor(SIZE client) noexcept {
  if (dialog_ == nullptr) return;
  client_ = client;
  const SIZE present = ClientSize(dialog_);
  Apply(present.cx, present.cy);
}

void DialogResizer::KeepPresentSizeAsMinimum() noexcept {
  RECT rc{};
  if (dialog_ != nullptr && ::GetWindowRect(dialog_, &rc)) {
    minimum_ = SIZE{rc.right - rc.left, rc.bottom - rc.top};
  }
}

bool DialogResizer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (dialog_ == nullptr) return false;
  if (message == WM_GETMINMAXINFO) {
    if (minimum_.cx <= 0) return false;
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize.x = minimum_.cx;
    info->ptMinTrackSize.y = minimum_.cy;
    return true;
  }
  if (message == WM_SIZE && wParam != SIZE_MINIMIZED) {
    Apply(LOWORD(lParam), HIWORD(lParam));
    return true;
  }
  return false;
}

void DialogResizer::Apply(int width, int height) noexcept {
  const int dx = width - client_.cx;
  const int dy = height - client_.cy;
  client_ = SIZE{width, height};
  if (dx == 0 && dy == 0) return;
  HDWP batch = ::BeginDeferWindowPos(static_cast<int>(table_.size()) + 1);
  for (const ResizeEntry& entry : table_) {
    HWND control = ::GetDlgItem(dialog_, entry.controlId);
    if (control == nullptr) continue;
    RECT rc{};
    ::GetWindowRect(control, &rc);
    ::MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&rc), 2);
    if (entry.flags & resize::kMoveX) ::OffsetRect(&rc, dx, 0);
    if (entry.flags & resize::kSizeX) rc.right += dx;
    if (entry.flags & resize::kMoveY) ::OffsetRect(&rc, 0, dy);
    if (entry.flags & resize::kSizeY) rc.bottom += dy;
    if (batch != nullptr) {
      batch = ::DeferWindowPos(batch, control, nullptr, rc.left, rc.top, rc.right - rc.left,
                               rc.bottom - rc.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  if (grip_ != nullptr && batch != nullptr) {
    RECT rc{};
    ::GetWindowRect(grip_, &rc);
    batch = ::DeferWindowPos(batch, grip_, nullptr, width - (rc.right - rc.left),
                             height - (rc.bottom - rc.top), 0, 0,
                             SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
  }
  if (batch != nullptr) ::EndDeferWindowPos(batch);
  ::InvalidateRect(dialog_, nullptr, TRUE);
}

}  // namespace brimlet::win32
