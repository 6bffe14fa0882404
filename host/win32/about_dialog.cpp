#include "win32/about_dialog.h"

#include <string>

#include "endpoints.h"
#include "menu/about_text.h"
#include "settings.h"
#include "tessiv_ids.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"
#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

constexpr ResizeEntry kResizeTable[] = {{IDOK, resize::kMoveX | resize::kMoveY}};

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// Centred on a visible owner, otherwise (the tray's hidden window) in the work area.
void CenterOnOwner(HWND dialog) noexcept {
  RECT box{};
  ::GetWindowRect(dialog, &box);
  RECT area{};
  HWND owner = ::GetWindow(dialog, GW_OWNER);
  if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
    ::GetWindowRect(owner, &area);
  } else {
    MONITORINFO monitor{sizeof(monitor)};
    ::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    area = monitor.rcWork;
  }
  const int width = box.right - box.left;
  const int height = box.bottom - box.top;
  const int x = area.left + ((area.right - area.left) - width) / 2;
  const int y = area.top + ((area.bottom - area.top) - height) / 2;
  ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void AboutDialog::OnInitDialog() noexcept {
  try {
    HWND text = ::GetDlgItem(hwnd(), IDC_ABOUT_TEXT);
    Win32Registry registry;
    const std::u16string version = Settings(registry).Version();
    std::u16string filled = FillVersion(FromWide(WindowText(text)), version);
    if (kUnsignedUpdatesAllowed) {
      // A build for local tests says so where the version is read, in the blank line.
      for (std::u16string_view blankLine : {u"\r\n\r\n", u"\n\n"}) {
        const size_t blank = filled.find(blankLine);
        if (blank == std::u16string::npos) continue;
        filled.insert(blank + blankLine.size() / 2, u"テスト用ビルド: 署名のない更新を受け付けます");
        break;
      }
    }
    ::SetWindowTextW(text, ToWide(filled).c_str());
  }
  BRIMLET_CATCH_LOG()
  CenterOnOwner(hwnd());
  try {
    resizer_.Start(hwnd(), kResizeTable,
                   {.sizeGrip = true, .minimumIsInitialSize = true, .clipChildren = true});
  }
  BRIMLET_CATCH_LOG()
}

bool AboutDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                INT_PTR& result) noexcept {
  if (resizer_.HandleMessage(message, wParam, lParam)) {
    result = 0;
    return message != WM_SIZE;  // let the default handling see size changes too
  }
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      result = TRUE;  // focus goes to the default button
      return true;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(hwnd(), LOWORD(wParam));
        result = TRUE;
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace brimlet::win32
