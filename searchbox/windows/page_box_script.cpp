// What the page's script asks of the page-based box, the completion list it shows, and the
// notice that reaches the page.
#include <windows.h>
#include <imm.h>
#include <mshtml.h>

#include "../../resources/brimlet_ids.h"
#include "box_search.h"
#include "box_shell.h"
#include "completion_candidates.h"
#include "merged_suggestions.h"
#include "external_dispatch.h"
#include "page_box_window.h"
#include "page_contract.h"
#include "placement_win32.h"
#include "settings_win32.h"
#include "win32/trace.h"
#include "win32/ui_text.h"
#include "window_shape_win32.h"

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
    session_.TakeNotice(*notice);
    if (!session_.HasNotice()) return;
    const Notice& taken = session_.CurrentNotice();
    ::brimlet::win32::RaiseUpdateNotify(updateNotifyHandler_.get(), taken.label, taken.description,
                                        taken.address);
  }
  BRIMLET_CATCH_LOG()
}

void SearchBoxWindowEx::Init() noexcept {
  ::KillTimer(hwnd(), kShowTimer);
  // The page's document exists once its script runs: it is zoomed before it is seen.
  pageComplete_ = true;
  ApplyZoom();
  if (deferred_ && !opened_) {
    // Ready, and still hidden: the summon opens it.
    if (pageReady_) return;
    pageReady_ = true;
    if (onPageReady_) onPageReady_();
    return;
  }
  shown_ = true;
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  if (settings_.RememberImeState()) RestoreImeState(DocumentWindow(), settings_);
}

void SearchBoxWindowEx::TakeForeground() noexcept {
  if (hwnd() == nullptr) return;
  // The summon granted this process the foreground: no attaching to another program's input,
  // unless the system refuses all the same.
  if (::GetForegroundWindow() != hwnd() && !::SetForegroundWindow(hwnd())) {
    BringToForeground(hwnd());
  }
  GiveFocusToPage();
}

void SearchBoxWindowEx::OpenPrepared() noexcept {
  if (hwnd() == nullptr || opened_ || !pageReady_) return;
  opened_ = true;
  TakeForeground();  // done already, unless the summon came before the page was ready
  try {
    ::SetWindowTextW(hwnd(), LoadResourceString(module_, IDS_BOX_TITLE).c_str());
  }
  BRIMLET_CATCH_LOG()
  // What a cold box reads at its creation, read now; the page asks for it again.
  session_.Open();
  session_.ChooseStartEngine();
  if (!CallPageFunction(L"refreshBox")) Trace(u"page box: the page could not read the box again");
  const bool restore = settings_.RestoreLastWindowPos() && settings_.HasLastWindowPos();
  if (restore) {
    ::SetWindowPos(hwnd(), nullptr, settings_.LastWindowPosLeft(), settings_.LastWindowPosTop(),
                   0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (const uint32_t dpi = WindowDpi(hwnd()); dpi != dpi_ && !ApplyDpi(dpi)) {
    Trace(u"page box: no shape at the monitor's DPI; the box keeps its picture's size");
  }
  PlaceOnOpening(restore);
  ApplyOpacity(hwnd(), settings_.SearchBoxTransparency());
  shown_ = true;
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  TakeForeground();
  if (settings_.RememberImeState()) RestoreImeState(DocumentWindow(), settings_);
}

bool SearchBoxWindowEx::CallPageFunction(const wchar_t* name) noexcept {
  ComPtr<IWebBrowser2> browser = Browser();
  if (!browser) return false;
  ComPtr<IDispatch> document;
  if (FAILED(browser->get_Document(document.put())) || !document) return false;
  ComPtr<IHTMLDocument2> html;
  if (FAILED(document->QueryInterface(IID_IHTMLDocument2, html.put_void()))) return false;
  ComPtr<IDispatch> script;
  if (FAILED(html->get_Script(script.put())) || !script) return false;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR member = const_cast<LPOLESTR>(name);
  if (FAILED(script->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id))) return false;
  DISPPARAMS none{};
  return SUCCEEDED(script->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                                  nullptr, nullptr, nullptr));
}

void SearchBoxWindowEx::Exit() noexcept { ::PostMessageW(hwnd(), WM_CLOSE, 0, 0); }

bool SearchBoxWindowEx::ExecuteConfig() noexcept {
  if (!session_.OpenSettings()) return false;
  ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
  return true;
}

void SearchBoxWindowEx::OpenWebAddress(std::u16string_view address) noexcept {
  // A search has hidden the box already; help is opened from a box still in sight.
  ::ShowWindow(hwnd(), SW_HIDE);
  ::brimlet::win32::OpenWebAddress(hwnd(), address);
}

bool SearchBoxWindowEx::LaunchSettings() noexcept { return LaunchSettingsFromBox(); }

void SearchBoxWindowEx::ExecuteSearch(std::u16string_view words) noexcept {
  session_.BeginSearch();
  ::EnableWindow(hwnd(), FALSE);
  ::ShowWindow(hwnd(), SW_HIDE);
  try {
    session_.RunSearch(words);
  }
  BRIMLET_CATCH_LOG()
}

void SearchBoxWindowEx::StepEngine(bool forward) noexcept { session_.StepEngine(forward); }

bool SearchBoxWindowEx::ShowEngineMenu(long x, long y) noexcept {
  const SearchEngineList* catalogue = session_.Catalogue();
  if (catalogue == nullptr) return false;
  POINT point{x, y};
  ::ClientToScreen(hwnd(), &point);
  const EngineMenuChoice choice =
      ::brimlet::win32::ShowEngineMenu(hwnd(), *catalogue, session_.Current(), point);
  session_.Choose(choice.chosen);
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
    listRequest_ = ListRequest{x,
                               y,
                               width,
                               height,
                               std::u16string(words),
                               ComPtr<IDispatch>(begin),
                               ComPtr<IDispatch>(changed),
                               ComPtr<IDispatch>(end)};
    if (feed_) feed_->OnField(RequestTarget(), !CanShowAutoComplete());
    return ShowList(initial);
  }
  BRIMLET_CATCH_RETURN_VALUE(S_FALSE)
}

BoxSession::SuggestionTarget SearchBoxWindowEx::RequestTarget() const {
  if (!listRequest_) return {};
  return session_.SuggestionTargetFor(FoldIdeographicSpaces(listRequest_->words));
}

HRESULT SearchBoxWindowEx::ShowList(std::u16string& initial) noexcept {
  try {
    if (!listRequest_) return S_FALSE;
    const ListRequest& request = *listRequest_;
    const std::u16string_view words = request.words;
    const std::u16string typed = FoldIdeographicSpaces(words);
    const std::vector<SuggestionItem> items =
        MergeSuggestions(CompletionCandidates(registry_, typed),
                         feed_ ? feed_->For(RequestTarget().words) : std::vector<std::u16string>{});
    std::vector<std::u16string> texts;
    for (const SuggestionItem& item : items) texts.push_back(item.text);
    switch (DecideCompletion(texts, words)) {
      case CompletionAction::kHide:
        HideList();
        return S_FALSE;
      case CompletionAction::kLeaveAsIs:
        return S_FALSE;
      case CompletionAction::kShow:
        break;
    }
    if (DocumentWindow() == nullptr) return S_FALSE;
    POINT under{request.x, request.y};
    ::ClientToScreen(hwnd(), &under);
    Rect monitor{};
    if (const std::optional<MonitorAreas> areas = MonitorNearWindow(hwnd())) {
      monitor = areas->monitor;
    } else {
      monitor = Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    }
    const CompletionListPlacement place =
        PlaceCompletionList(Point{under.x, under.y}, static_cast<int32_t>(request.width),
                            static_cast<int32_t>(request.height), monitor);
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
    suggestions_->SetCallbacks(request.begin.get(), request.changed.get(), request.end.get());
    suggestions_->ShowItems(items, typed.empty());
    suggestions_->Show();
    // Only a history word completes the field inline.
    const std::optional<std::u16string> inline_ = InlineCompletion(items, words);
    if (!inline_) return S_FALSE;
    initial = *inline_;
    return S_OK;
  }
  BRIMLET_CATCH_RETURN_VALUE(S_FALSE)
}

void SearchBoxWindowEx::HideAutoComplete() noexcept {
  listRequest_.reset();
  HideList();
}

void SearchBoxWindowEx::HideList() noexcept {
  if (!SuggestionsVisible()) return;
  ::ShowWindow(suggestions_->hwnd(), SW_HIDE);
  ::SetFocus(hwnd());
}

bool SearchBoxWindowEx::ForgetSuggestion(std::u16string_view words) noexcept {
  try {
    return session_.ForgetHistoryWords(words);
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

void SearchBoxWindowEx::OnNotifyHandled() noexcept { session_.CountNoticeActedOn(); }

std::u16string SearchBoxWindowEx::LastSearchWords() noexcept {
  try {
    if (!settings_.ShowLastSearchWords()) return {};
    return NewestStoredWords(registry_);
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

void SearchBoxWindowEx::LaunchHelp() noexcept {
  if (session_.OpenHelp()) ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

}  // namespace brimlet::win32
