// What the page's script asks of the page-based box, the completion list it shows, and the
// notice that reaches the page.
#include <windows.h>
#include <imm.h>

#include "box_search.h"
#include "box_shell.h"
#include "completion_candidates.h"
#include "external_dispatch.h"
#include "page_box_window.h"
#include "page_contract.h"
#include "placement_win32.h"
#include "settings_win32.h"
#include "win32/trace.h"

namespace brimlet::win32 {

void SearchBoxWindowEx::SetShowEngineMenuHandler(IDispatch* function) noexcept {
  showMenuHandler_ = ComPtr<IDispatch>(function);
}

void SearchBoxWindowEx::SetRotateEngineHandler(IDispatch* function) noexcept {
  rotateHandler_ = ComPtr<IDispatch>(function);
}

void SearchBoxWindowEx::SetUpdateNotifyHandler(IDispatch* function) noexcept {
  updateNotifyHandler_ = ComPtr<IDispatch>(function);
  if (!settings_.Update()) return;
  if (mailbox_) mailbox_->StartCheck(false, true, noticeHost_);
}

void SearchBoxWindowEx::RaiseUpdateNotify(WPARAM what) noexcept {
  if (what != NoticeMailbox::kNoticeArrived || !mailbox_) return;
  try {
    const std::optional<Notice> notice = mailbox_->Take();
    if (!notice) return;
    noticeLabel_ = notice->label;
    noticeDescription_ = notice->description;
    noticeAddress_ = notice->address;
    if (noticeLabel_.empty() || noticeDescription_.empty() || noticeAddress_.empty()) return;
    ::brimlet::win32::RaiseUpdateNotify(updateNotifyHandler_.get(), noticeLabel_,
                                        noticeDescription_, noticeAddress_);
  } catch (...) {
  }
}

void SearchBoxWindowEx::Init() noexcept {
  shown_ = true;
  ::KillTimer(hwnd(), kShowTimer);
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  if (settings_.RememberImeState()) RestoreImeState(DocumentWindow(), settings_);
}

void SearchBoxWindowEx::Exit() noexcept { ::PostMessageW(hwnd(), WM_CLOSE, 0, 0); }

bool SearchBoxWindowEx::ExecuteConfig() noexcept {
  const bool wasHiding = hideWhenInactive_;
  hideWhenInactive_ = false;
  if (!LaunchSettingsFromBox()) {
    hideWhenInactive_ = wasHiding;
    return false;
  }
  ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
  return true;
}

void SearchBoxWindowEx::ExecuteSearch(std::u16string_view words) noexcept {
  searching_ = true;
  ::EnableWindow(hwnd(), FALSE);
  ::ShowWindow(hwnd(), SW_HIDE);
  try {
    RunSearch(
        SearchServices{converter_, settings_, registry_, history_,
                       [this](std::u16string_view address) { OpenWebAddress(hwnd(), address); }},
        current_, words, record_);
  } catch (...) {
    Trace(u"page box: the search failed");
  }
}

void SearchBoxWindowEx::StepEngine(bool forward) noexcept {
  current_ = brimlet::StepEngine(rotation_, current_, forward);
}

bool SearchBoxWindowEx::ShowEngineMenu(long x, long y) noexcept {
  if (!catalogue_) return false;
  POINT point{x, y};
  ::ClientToScreen(hwnd(), &point);
  const EngineMenuChoice choice =
      ::brimlet::win32::ShowEngineMenu(hwnd(), *catalogue_, current_, point);
  if (choice.chosen != nullptr) current_ = choice.chosen;
  return choice.shown;
}

bool SearchBoxWindowEx::SuggestionsVisible() const noexcept {
  return suggestions_ && suggestions_->hwnd() != nullptr && ::IsWindowVisible(suggestions_->hwnd());
}

bool SearchBoxWindowEx::IsAutoCompleteActive() noexcept { return SuggestionsVisible(); }

bool SearchBoxWindowEx::CanShowAutoComplete() noexcept {
  HWND document = DocumentWindow();
  if (document == nullptr) return true;
  HIMC context = ::ImmGetContext(document);
  if (context == nullptr) return true;
  const LONG composing = ::ImmGetCompositionStringW(context, GCS_COMPSTR, nullptr, 0);
  ::ImmReleaseContext(document, context);
  return composing <= 0;
}

HRESULT SearchBoxWindowEx::ShowAutoComplete(long x, long y, long width, long height,
                                            std::u16string_view words, IDispatch* begin,
                                            IDispatch* changed, IDispatch* end,
                                            std::u16string& initial) noexcept {
  try {
    const std::u16string typed = FoldIdeographicSpaces(words);
    const std::vector<std::u16string> candidates = CompletionCandidates(registry_, typed);
    switch (DecideCompletion(candidates, words)) {
      case CompletionAction::kHide:
        HideAutoComplete();
        return S_FALSE;
      case CompletionAction::kLeaveAsIs:
        return S_FALSE;
      case CompletionAction::kShow:
        break;
    }
    if (DocumentWindow() == nullptr) return S_FALSE;
    POINT under{x, y};
    ::ClientToScreen(hwnd(), &under);
    Rect monitor{};
    if (const std::optional<MonitorAreas> areas = MonitorNearWindow(hwnd())) {
      monitor = areas->monitor;
    } else {
      monitor = Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    }
    const CompletionListPlacement place =
        PlaceCompletionList(Point{under.x, under.y}, static_cast<int32_t>(width),
                            static_cast<int32_t>(height), monitor);
    const RECT rect = ToRECT(place.rect);
    if (suggestions_ && suggestions_->hwnd() != nullptr) {
      suggestions_->ClearList();
      suggestions_->MoveTo(rect);
    } else {
      suggestions_ = std::make_unique<SuggestWindow>(*this);
      if (!suggestions_->Create(hwnd(), rect, loop_)) {
        suggestions_.reset();
        return S_FALSE;
      }
    }
    suggestions_->SetUpward(place.upward);
    suggestions_->SetCallbacks(begin, changed, end);
    suggestions_->ShowCandidates(candidates, typed.empty());
    suggestions_->Show();
    if (words.empty()) return S_FALSE;
    initial = candidates.front();
    return S_OK;
  } catch (...) {
    return S_FALSE;
  }
}

void SearchBoxWindowEx::HideAutoComplete() noexcept {
  if (!SuggestionsVisible()) return;
  ::ShowWindow(suggestions_->hwnd(), SW_HIDE);
  ::SetFocus(hwnd());
}

void SearchBoxWindowEx::OnNotifyHandled() noexcept { settings_.SetNotifyCount(kDailyNoticeLimit); }

std::u16string SearchBoxWindowEx::LastSearchWords() noexcept {
  try {
    if (!settings_.ShowLastSearchWords()) return {};
    return NewestStoredWords(registry_);
  } catch (...) {
    return {};
  }
}

void SearchBoxWindowEx::LaunchHelp() noexcept {
  try {
    const std::u16string address = settings_.HelpAddress(u"sb");
    if (address.empty()) return;
    hideWhenInactive_ = false;
    ::ShowWindow(hwnd(), SW_HIDE);
    OpenWebAddress(hwnd(), address);
    ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
  } catch (...) {
  }
}

}  // namespace brimlet::win32
