// The classic box's update notice: the check started with the box, the link it shows and
// what acting on it opens.
#include <algorithm>

#include "../../resources/searchbox_dialog_ids.h"
#include "classic_box_window.h"
#include "box_shell.h"
#include "win32/trace.h"
#include "win32/unique_resource.h"
#include "win32/wide.h"

namespace brimlet::win32 {

void SearchBoxWindow::StartNoticeCheck() noexcept {
  if (mailbox_) mailbox_->StartCheck(false, true);
}

void SearchBoxWindow::OnNoticeMessage(WPARAM what) noexcept {
  if (what != NoticeMailbox::kNoticeArrived || !mailbox_) return;
  try {
    const std::optional<Notice> notice = mailbox_->Take();
    if (!notice) return;
    session_.TakeNotice(*notice);
  }
  BRIMLET_CATCH_RETURN_VALUE()
  ShowNoticeLink();
}

void SearchBoxWindow::ShowNoticeLink() noexcept {
  if (!session_.HasNotice()) return;
  std::wstring label, description;
  try {
    label = ToWide(session_.CurrentNotice().label);
    description = ToWide(session_.CurrentNotice().description);
  }
  BRIMLET_CATCH_RETURN_VALUE()
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  if (noticeLink_ == nullptr) {
    noticeLink_ =
        ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_NOTIFY | SS_NOPREFIX, 0, 0, 0, 0, hwnd(),
                          reinterpret_cast<HMENU>(IDC_NOTICE_LINK), module_, nullptr);
    if (noticeLink_ == nullptr) return;
    ::SendMessageW(noticeLink_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SetWindowSubclass(noticeLink_, &LinkProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    noticeTip_ =
        ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                          WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, module_, nullptr);
  }
  ::SetWindowTextW(noticeLink_, label.c_str());
  if (noticeTip_ != nullptr) {
    TTTOOLINFOW tool{sizeof(tool)};
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(noticeLink_);
    tool.lpszText = description.data();
    ::SendMessageW(noticeTip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(noticeTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SIZE ideal{};
  {
    const UniqueWindowDc dc(noticeLink_);
    const ScopedSelectObject selected(dc.get(), font);
    ::GetTextExtentPoint32W(dc.get(), label.c_str(), static_cast<int>(label.size()), &ideal);
  }
  const RECT edit = ItemRect(IDC_SEARCH_WORDS);
  const RECT check = ItemRect(IDC_RECORD_SEARCH_WORDS);
  const int width = std::min(static_cast<int>(ideal.cx), static_cast<int>(check.left - edit.left));
  ::SetWindowPos(noticeLink_, nullptr, edit.left, check.top, std::max(0, width), ideal.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(noticeLink_, SW_SHOW);
}

LRESULT CALLBACK SearchBoxWindow::LinkProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR) noexcept {
  if (message == WM_SETCURSOR) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
  }
  if (message == WM_NCDESTROY) ::RemoveWindowSubclass(link, &LinkProc, kSubclassId);
  return ::DefSubclassProc(link, message, wParam, lParam);
}

}  // namespace brimlet::win32
