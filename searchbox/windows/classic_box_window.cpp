#include "classic_box_window.h"

#include <shellapi.h>
#include <shlguid.h>
#include <imm.h>

#include <algorithm>
#include <cstdlib>

#include "../../resources/brimlet_ids.h"
#include "../../resources/searchbox_dialog_ids.h"
#include "box_shell.h"
#include "completion_candidates.h"
#include "enum_search_history.h"
#include "merged_suggestions.h"
#include "page_contract.h"
#include "placement_win32.h"
#include "settings_win32.h"
#include "ports/trace.h"
#include "win32/startup_timeline.h"
#include "win32/instance_finder.h"
#include "win32/ui_text.h"
#include "win32/unique_resource.h"
#include "win32/wide.h"
#include "win32/window_helpers.h"

namespace brimlet::win32 {
namespace {

const ResizeEntry kResizeTable[] = {
    {IDC_SEARCH_WORDS, resize::kSizeX},
    {IDC_RECORD_SEARCH_WORDS, resize::kMoveX},
    {IDC_SYSTEM_TOOLBAR, resize::kMoveX},
    {IDOK, resize::kMoveX},
};

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

SearchBoxWindow::SearchBoxWindow(HINSTANCE module, Settings& settings) noexcept
    : module_(module), settings_(settings) {}

SearchBoxWindow::~SearchBoxWindow() {
  if (hwnd() != nullptr) ::DestroyWindow(hwnd());
}

HWND SearchBoxWindow::Create() noexcept { return CreateModeless(module_, IDD_SEARCH_BOX, nullptr); }

bool SearchBoxWindow::PreTranslateMessage(MSG& msg) noexcept {
  if (hwnd() == nullptr) return false;
  if (suggestions_ && suggestions_->Visible()) {
    // Down, Up and Shift+Delete belong to the open list, and Escape closes only the list.
    if (suggestions_->PreTranslateMessage(msg)) return true;
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      HideSuggestions();
      return true;
    }
  }
  if (dropDown_) {
    // With the completion list open, the keys belong to the edit and the list.
    DWORD flags = 0;
    LPWSTR text = nullptr;
    if (SUCCEEDED(dropDown_->GetDropDownStatus(&flags, &text))) {
      ::CoTaskMemFree(text);
      if (flags & ACDD_VISIBLE) return false;
    }
  }
  const bool keyboard = msg.message >= WM_KEYFIRST && msg.message <= 0x0109;
  const bool mouse = msg.message >= WM_MOUSEFIRST && msg.message <= 0x020D;
  if (!keyboard && !mouse) return false;
  if (accelerators_ != nullptr && ::TranslateAcceleratorW(hwnd(), accelerators_, &msg)) return true;
  return ::IsDialogMessageW(hwnd(), &msg) != FALSE;
}

bool SearchBoxWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                    INT_PTR& result) noexcept {
  if (resizer_.HandleMessage(message, wParam, lParam) && message == WM_GETMINMAXINFO) {
    result = 0;
    return true;
  }
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      result = FALSE;  // the focus is set already
      return true;
    case WM_CLOSE:
      ::DestroyWindow(hwnd());
      return true;
    case WM_DESTROY:
      OnDestroy();
      return true;
    case WM_ACTIVATE:
      // A click into the own completion list activates the list for a moment.
      if (suggestions_ && reinterpret_cast<HWND>(lParam) == suggestions_->hwnd() &&
          suggestions_->hwnd() != nullptr) {
        return false;
      }
      if (LOWORD(wParam) == WA_INACTIVE) HideSuggestions();
      if (session_.ClosesOnDeactivation(LOWORD(wParam) == WA_INACTIVE,
                                        reinterpret_cast<HWND>(lParam) == hwnd())) {
        ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
      }
      return false;
    case WM_MOUSEWHEEL:
      if (LOWORD(wParam) != 0) return false;
      StepEngine(static_cast<short>(HIWORD(wParam)) < 0);
      return true;
    case WM_CTLCOLOREDIT:
      if (!settings_.UseCustomSearchWordsColor()) return false;
      if (!windowBrush_) windowBrush_.reset(::CreateSolidBrush(::GetSysColor(COLOR_WINDOW)));
      ::SetTextColor(reinterpret_cast<HDC>(wParam), settings_.CustomSearchWordsColor());
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
      result = reinterpret_cast<INT_PTR>(windowBrush_.get());
      return true;
    case WM_CTLCOLORSTATIC:
      if (noticeLink_ == nullptr || reinterpret_cast<HWND>(lParam) != noticeLink_) return false;
      ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_HOTLIGHT));
      ::SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      result = reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_BTNFACE));
      return true;
    case kNoticeMessage:
      OnNoticeMessage(wParam);
      return true;
    case kAfterFirstPaintMessage:
      AfterFirstPaint();
      return true;
    case kSuggestionMessage:
      if (feed_ && feed_->OnAnswer(wParam)) RefreshSuggestions();
      return true;
    case WM_TIMER:
      if (wParam != kSuggestionTimer || !feed_) return false;
      try {
        feed_->OnTimer(FieldTarget(), Composing());
      }
      BRIMLET_CATCH_LOG()
      return true;
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
    default:
      return false;
  }
}

void SearchBoxWindow::OnInitDialog() noexcept {
  BoxStartup().Mark(u"dialog");
  RECT templateClient{0, 0, IDD_SEARCH_BOX_WIDTH, IDD_SEARCH_BOX_HEIGHT};
  ::MapDialogRect(hwnd(), &templateClient);
  layoutClient_ = SIZE{templateClient.right, templateClient.bottom};
  // A box prepared in advance gets its title when it opens: until then no search for the
  // running box (by class and title) can take it for one.
  if (!deferred_) SetTitle();
  try {
    mailbox_ = NoticeMailbox::Create(hwnd(), kNoticeMessage, BoxNoticePolicy());
  }
  BRIMLET_CATCH_LOG()
  // The notice check and the window icons come after the first paint (AfterFirstPaint).
  accelerators_ = ::LoadAcceleratorsW(module_, MAKEINTRESOURCEW(IDR_SEARCH_BOX_ACCELERATORS));
  BoxStartup().Mark(u"accelerators");
  // A box prepared in advance reads the history when it opens.
  if (!deferred_) session_.Open();
  BoxStartup().Mark(u"history");
  SetUpEdit();
  BoxStartup().Mark(u"edit");
  BuildEngineButton();
  BoxStartup().Mark(u"engine-toolbar");
  BuildSystemButtons();
  BoxStartup().Mark(u"system-toolbar");
  if (deferred_) {
    // The catalogue's default until the box opens: the start engine rule may store
    // "LastSearchEngine", which a box that only waits must not.
    if (const SearchEngineList* catalogue = session_.Catalogue()) {
      session_.Choose(catalogue->GetDefault());
    }
  } else {
    session_.ChooseStartEngine();
  }
  UpdateEngineButton();
  BoxStartup().Mark(u"engine");
  resizer_.Start(hwnd(), kResizeTable, {.minimumIsInitialSize = false});
  resizer_.LaidOutFor(layoutClient_);
  if (!deferred_) FinishOpening();
}

void SearchBoxWindow::SetTitle() noexcept {
  try {
    ::SetWindowTextW(hwnd(), LoadResourceString(module_, IDS_BOX_TITLE).c_str());
  }
  BRIMLET_CATCH_LOG()
}

void SearchBoxWindow::TakeForeground() noexcept {
  if (hwnd() == nullptr) return;
  // The summon granted this process the foreground: no attaching to another program's
  // input, unless the system refuses all the same.
  if (::GetForegroundWindow() != hwnd() && !::SetForegroundWindow(hwnd())) {
    BringToForeground(hwnd());
  }
  ::SetFocus(Item(IDC_SEARCH_WORDS));
}

void SearchBoxWindow::OpenPrepared() noexcept {
  if (hwnd() == nullptr || opened_) return;
  opened_ = true;
  TakeForeground();  // done already, unless the box was made again since
  HWND edit = Item(IDC_SEARCH_WORDS);
  SetTitle();
  // What a cold box would read at its creation, read now.
  session_.Open();
  // Keys typed since the summon took the focus are in the field already: they stay, the
  // caret after them.
  const int typed = ::GetWindowTextLengthW(edit);
  if (typed == 0) {
    std::wstring words;
    if (settings_.RecordSearchWords() && settings_.ShowLastSearchWords()) {
      if (std::optional<std::u16string> newest = session_.History().WordsAt(0)) {
        words = ToWide(*newest);
      }
    }
    ::SetWindowTextW(edit, words.c_str());
  }
  session_.ChooseStartEngine();
  UpdateEngineButton();
  ::ShowWindow(Item(IDC_RECORD_SEARCH_WORDS), SW_SHOWNA);  // hidden again below when off
  PlaceWindow();
  ApplyOpacity(hwnd(), settings_.SearchBoxTransparency());
  FinishFieldState();
  if (typed > 0) ::SendMessageW(edit, EM_SETSEL, typed, typed);
  ::ShowWindow(hwnd(), SW_SHOW);
  BoxStartup().Mark(u"shown");
}

void SearchBoxWindow::FinishOpening() noexcept {
  PlaceWindow();
  ApplyOpacity(hwnd(), settings_.SearchBoxTransparency());
  BringToForeground(hwnd());
  ::SetFocus(Item(IDC_SEARCH_WORDS));
  FinishFieldState();
}

void SearchBoxWindow::FinishFieldState() noexcept {
  HWND edit = Item(IDC_SEARCH_WORDS);
  ::SendMessageW(edit, EM_SETSEL, 0, -1);
  if (!settings_.RecordSearchWords()) {
    ::CheckDlgButton(hwnd(), IDC_RECORD_SEARCH_WORDS, BST_UNCHECKED);
    ::ShowWindow(Item(IDC_RECORD_SEARCH_WORDS), SW_HIDE);
  }
  if (settings_.RememberImeState()) RestoreImeState(edit, settings_);
  RefreshUiState();
  BoxStartup().Mark(u"initialised");
}

void SearchBoxWindow::OnFirstPaint() noexcept {
  if (firstPaintSeen_) return;
  firstPaintSeen_ = true;
  BoxStartup().Mark(u"painted");
  ::PostMessageW(hwnd(), kAfterFirstPaintMessage, 0, 0);
}

// What the first paint need not wait for: a tool window's caption shows no icon (the icons
// serve only where the system lists windows), the completion list appears only once the
// user types, and the notice link only when the network answers.
void SearchBoxWindow::AfterFirstPaint() noexcept {
  const auto icon = [this](int metricX, int metricY) {
    return ::LoadImageW(module_, MAKEINTRESOURCEW(IDI_BRIMLET), IMAGE_ICON,
                        ::GetSystemMetrics(metricX), ::GetSystemMetrics(metricY), LR_SHARED);
  };
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(icon(SM_CXICON, SM_CYICON)));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(icon(SM_CXSMICON, SM_CYSMICON)));
  BoxStartup().Mark(u"icons");
  if (settings_.SearchSuggestions()) {
    SetUpSuggestions();
  } else if (settings_.RecordSearchWords()) {
    SetUpAutoComplete();
  }
  BoxStartup().Mark(u"auto-complete");
  if (settings_.Update()) StartNoticeCheck();
  BoxStartup().Mark(u"notice-check");
  BoxStartup().Report(u"classic box start-up");
}

void SearchBoxWindow::SetUpEdit() noexcept {
  HWND edit = Item(IDC_SEARCH_WORDS);
  ::SetWindowSubclass(edit, &EditProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  if (settings_.UseLargeSearchBox()) MakeLarge();
  if (!settings_.RecordSearchWords()) return;
  if (settings_.ShowLastSearchWords()) {
    if (std::optional<std::u16string> newest = session_.History().WordsAt(0)) {
      ::SetWindowTextW(edit, AsWide(*newest));
    }
  }
}

void SearchBoxWindow::MakeLarge() noexcept {
  HWND edit = Item(IDC_SEARCH_WORDS);
  LOGFONTW font{};
  HFONT current = reinterpret_cast<HFONT>(::SendMessageW(edit, WM_GETFONT, 0, 0));
  if (current == nullptr || !::GetObjectW(current, sizeof(font), &font)) return;
  font.lfHeight *= 2;
  font.lfWeight *= 2;
  largeFont_.reset(::CreateFontIndirectW(&font));
  if (!largeFont_) return;
  ::SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(largeFont_.get()), TRUE);
  const int h = std::abs(font.lfHeight);
  const auto change = [this](int id, int dx, int dy, int dw, int dh) {
    const RECT rc = ItemRect(id);
    ::SetWindowPos(Item(id), nullptr, rc.left + dx, rc.top + dy, rc.right - rc.left + dw,
                   rc.bottom - rc.top + dh, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  change(IDC_SEARCH_WORDS, 0, 0, 0, h);
  change(IDC_RECORD_SEARCH_WORDS, h, h, 0, 0);
  change(IDOK, h, 0, h, h);
  RECT window{};
  ::GetWindowRect(hwnd(), &window);
  ::SetWindowPos(hwnd(), nullptr, 0, 0, window.right - window.left + 2 * h,
                 window.bottom - window.top + h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  layoutClient_.cx += 2 * h;
  layoutClient_.cy += h;
}

void SearchBoxWindow::SetUpAutoComplete() noexcept {
  autoComplete_ = AttachHistoryAutoComplete(Item(IDC_SEARCH_WORDS), session_.SharedHistory());
  if (autoComplete_) dropDown_ = autoComplete_.As<IAutoCompleteDropDown>(IID_IAutoCompleteDropDown);
}

void SearchBoxWindow::SetUpSuggestions() noexcept {
  try {
    feed_ = std::make_unique<BoxSuggestions>(hwnd(), kSuggestionMessage, kSuggestionTimer);
    suggestions_ = std::make_unique<SuggestWindow>(static_cast<ISuggestOwner&>(*this));
  } catch (...) {
    BRIMLET_TRACE_CAUGHT();
    feed_.reset();
    suggestions_.reset();
    return;
  }
  // Words typed before the list was ready are offered too.
  if (::GetWindowTextLengthW(Item(IDC_SEARCH_WORDS)) > 0) OnFieldChanged();
}

bool SearchBoxWindow::Composing() const noexcept {
  HWND edit = Item(IDC_SEARCH_WORDS);
  HIMC context = ::ImmGetContext(edit);
  if (context == nullptr) return false;
  const LONG length = ::ImmGetCompositionStringW(context, GCS_COMPSTR, nullptr, 0);
  ::ImmReleaseContext(edit, context);
  return length > 0;
}

BoxSession::SuggestionTarget SearchBoxWindow::FieldTarget() const {
  return session_.SuggestionTargetFor(TypedPart());
}

std::u16string SearchBoxWindow::TypedPart() const {
  std::u16string text = TypedWords();
  DWORD start = 0;
  DWORD end = 0;
  ::SendMessageW(Item(IDC_SEARCH_WORDS), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  if (start < end && end == text.size()) text.resize(start);
  return text;
}

void SearchBoxWindow::CompleteInline(const std::vector<SuggestionItem>& items,
                                     const std::u16string& typed) noexcept {
  try {
    const std::optional<std::u16string> word = InlineCompletion(items, typed);
    if (!word || word->size() <= typed.size()) return;
    HWND edit = Item(IDC_SEARCH_WORDS);
    // What the user typed stays as typed; only the rest comes from the history.
    const std::u16string text = typed + word->substr(typed.size());
    fillingField_ = true;
    ::SetWindowTextW(edit, AsWide(text));
    fillingField_ = false;
    ::SendMessageW(edit, EM_SETSEL, typed.size(), text.size());
  }
  BRIMLET_CATCH_LOG()
  fillingField_ = false;
}

void SearchBoxWindow::OnFieldChanged() noexcept {
  if (!feed_ || fillingField_) return;
  RefreshSuggestions();
  ReportField();
}

void SearchBoxWindow::ReportField() noexcept {
  if (!feed_) return;
  try {
    feed_->OnField(FieldTarget(), Composing());
  }
  BRIMLET_CATCH_LOG()
}

void SearchBoxWindow::RefreshSuggestions() noexcept {
  if (!suggestions_ || !feed_) return;
  try {
    const std::u16string typed = TypedPart();
    std::vector<std::u16string> history;
    if (settings_.RecordSearchWords()) history = HistoryCandidates(session_.History(), typed);
    // Suggestions for other words than the field's are not shown.
    const std::vector<SuggestionItem> items =
        MergeSuggestions(history, feed_->For(session_.SuggestionTargetFor(typed).words));
    if (typed.empty() || items.empty()) {
      HideSuggestions();
      return;
    }
    if (typingCharacter_) CompleteInline(items, typed);
    HWND edit = Item(IDC_SEARCH_WORDS);
    RECT field{};
    ::GetWindowRect(edit, &field);
    Rect monitor{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (const std::optional<MonitorAreas> areas = MonitorNearWindow(hwnd())) {
      monitor = areas->monitor;
    }
    const CompletionListPlacement place =
        PlaceCompletionList(Point{field.left, field.bottom}, field.right - field.left,
                            field.bottom - field.top, monitor);
    const RECT rect{place.rect.left, place.rect.top, place.rect.right, place.rect.bottom};
    if (suggestions_->hwnd() == nullptr) {
      if (!suggestions_->Create(hwnd(), rect)) return;
    } else {
      suggestions_->ClearList();
      suggestions_->MoveTo(rect);
    }
    suggestions_->SetUpward(place.upward);
    // Nothing highlighted: Enter searches what was typed until the user picks an item.
    suggestions_->ShowItems(items, true);
    suggestions_->Show();
  }
  BRIMLET_CATCH_LOG()
}

void SearchBoxWindow::HideSuggestions() noexcept {
  if (!suggestions_ || suggestions_->hwnd() == nullptr ||
      !::IsWindowVisible(suggestions_->hwnd())) {
    return;
  }
  ::ShowWindow(suggestions_->hwnd(), SW_HIDE);
  // After a click into the list the focus is there: back to the field.
  if (::GetActiveWindow() != hwnd() || ::GetFocus() != Item(IDC_SEARCH_WORDS)) {
    ::SetFocus(Item(IDC_SEARCH_WORDS));
  }
}

void SearchBoxWindow::FillField(std::u16string_view words) noexcept {
  HWND edit = Item(IDC_SEARCH_WORDS);
  try {
    const std::u16string text(words);
    fillingField_ = true;
    ::SetWindowTextW(edit, AsWide(text));
    fillingField_ = false;
    ::SendMessageW(edit, EM_SETSEL, text.size(), text.size());
    // The filled words want no request: whatever is in flight is dropped.
    if (feed_) feed_->OnField(FieldTarget(), false, false);
  }
  BRIMLET_CATCH_LOG()
  fillingField_ = false;
  FollowTypedKeyword();
}

void SearchBoxWindow::ChooseSuggestion(std::u16string_view words) noexcept {
  FillField(words);
  HideSuggestions();
}

bool SearchBoxWindow::ForgetSuggestion(std::u16string_view words) noexcept {
  try {
    return session_.ForgetHistoryWords(words);
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

void SearchBoxWindow::PlaceWindow() noexcept {
  std::optional<Rect> restored;
  std::optional<MonitorAreas> monitor;
  if (settings_.RestoreLastWindowPos()) {
    restored = settings_.LastWindowRect();
    monitor = MonitorNearRect(*restored);
  } else if (POINT cursor{}; ::GetCursorPos(&cursor)) {
    monitor = MonitorNearPoint(cursor);
  }
  const Rect area =
      CentringArea(monitor, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
  const Rect work = monitor ? monitor->work : area;
  // At a high DPI the dialog template can be wider than the screen: the opening size, which
  // is also the smallest the user can make the box, is first fitted to the work area (the
  // resizer narrows the edit and moves the right-hand controls along).
  RECT current{};
  ::GetWindowRect(hwnd(), &current);
  const Rect opening = FitInto(ToRect(current), work);
  ::SetWindowPos(hwnd(), nullptr, 0, 0, opening.right - opening.left, opening.bottom - opening.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  resizer_.KeepPresentSizeAsMinimum();
  const Rect target = OpeningRect(opening, restored, area, work);
  ::SetWindowPos(hwnd(), nullptr, target.left, target.top, target.right - target.left,
                 target.bottom - target.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SearchBoxWindow::RefreshUiState() noexcept {
  ::CheckDlgButton(hwnd(), IDC_RECORD_SEARCH_WORDS,
                   session_.Records() ? BST_CHECKED : BST_UNCHECKED);
  ::EnableWindow(Item(IDC_RECORD_SEARCH_WORDS), settings_.RecordSearchWords());
  ::SendMessageW(Item(IDC_SYSTEM_TOOLBAR), TB_CHECKBUTTON, ID_PUSH_PIN,
                 MAKELPARAM(session_.Pinned(), 0));
}

RECT SearchBoxWindow::ItemRect(int id) const noexcept { return ChildRectIn(hwnd(), id); }

std::u16string SearchBoxWindow::TypedWords() const {
  return FromWide(WindowText(Item(IDC_SEARCH_WORDS)));
}

void SearchBoxWindow::RunSearch() noexcept {
  session_.BeginSearch();
  try {
    const std::u16string words = FromWide(WindowText(Item(IDC_SEARCH_WORDS)));
    ::EnableWindow(hwnd(), FALSE);
    ::ShowWindow(hwnd(), SW_HIDE);
    session_.RunSearch(words);
  }
  BRIMLET_CATCH_LOG()
  ::DestroyWindow(hwnd());
}

void SearchBoxWindow::OpenWebAddress(std::u16string_view address) noexcept {
  ::brimlet::win32::OpenWebAddress(hwnd(), address);
}

bool SearchBoxWindow::LaunchSettings() noexcept { return LaunchSettingsFromBox(); }

void SearchBoxWindow::CloseAfterLaunch(bool launched) noexcept {
  if (launched) ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

void SearchBoxWindow::OnDestroy() noexcept {
  engineButton_.Destroy();
  ::SendMessageW(Item(IDC_SYSTEM_TOOLBAR), TB_SETIMAGELIST, 0, 0);
  systemImages_.reset();
  // Never shown: nothing of the user's to store, and the process goes on waiting.
  if (deferred_ && !opened_) return;
  if (settings_.RememberImeState()) SaveImeState(Item(IDC_SEARCH_WORDS), settings_);
  RECT rc{};
  if (::GetWindowRect(hwnd(), &rc)) settings_.SetLastWindowRect(ToRect(rc));
  dropDown_.reset();
  autoComplete_.reset();
  if (feed_) feed_->Stop();
  // The check thread only reaches the mailbox: the process, not the box, waits for it.
  if (mailbox_) mailbox_->Forget();
  ::PostQuitMessage(1);
}

bool SearchBoxWindow::OnCommand(int id, int code) noexcept {
  switch (id) {
    case IDOK:
      // A highlighted item of the own list is what Enter searches.
      if (suggestions_ && suggestions_->Visible()) {
        try {
          if (const std::optional<SuggestionItem> item = suggestions_->Selected()) {
            FillField(item->text);
          }
        }
        BRIMLET_CATCH_LOG()
        HideSuggestions();
      }
      RunSearch();
      return true;
    case IDCANCEL:
      ::DestroyWindow(hwnd());
      return true;
    case IDC_SEARCH_WORDS:
      if (code != EN_CHANGE) return false;
      FollowTypedKeyword();
      OnFieldChanged();
      return false;
    case ID_NEXT_ENGINE:
      StepEngine(true);
      return true;
    case ID_PREVIOUS_ENGINE:
      StepEngine(false);
      return true;
    case ID_ENGINE_MENU: {
      HWND toolbar = Item(IDC_ENGINE_TOOLBAR);
      ::SendMessageW(toolbar, TB_PRESSBUTTON, ID_ENGINE_BUTTON, MAKELPARAM(TRUE, 0));
      ShowEngineMenu();
      ::SendMessageW(toolbar, TB_PRESSBUTTON, ID_ENGINE_BUTTON, MAKELPARAM(FALSE, 0));
      return true;
    }
    case IDC_RECORD_SEARCH_WORDS:
      if (code != BN_CLICKED) return false;
      session_.SetRecords(!session_.Records());
      RefreshUiState();
      return true;
    case ID_PUSH_PIN:
      session_.SetPinned(!session_.Pinned());
      RefreshUiState();
      return true;
    case ID_SETTINGS:
      CloseAfterLaunch(session_.OpenSettings());
      return true;
    case ID_HELP:
      CloseAfterLaunch(session_.OpenHelp());
      return true;
    case IDC_NOTICE_LINK:
      if (code != STN_CLICKED) return false;
      CloseAfterLaunch(session_.OpenNotice());
      return true;
    default:
      return false;
  }
}

void SearchBoxWindow::PaintCueText(HWND edit) noexcept {
  const ISearchEngineItem* current = session_.Current();
  if (current == nullptr || ::GetWindowTextLengthW(edit) != 0 || ::GetFocus() == edit) return;
  try {
    const std::wstring cue = ToWide(current->GetName()) + L" で検索";
    const UniqueWindowDc window(edit);
    HDC dc = window.get();
    const ScopedSelectObject font(
        dc, reinterpret_cast<HFONT>(::SendMessageW(edit, WM_GETFONT, 0, 0)));
    ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
    ::SetBkMode(dc, TRANSPARENT);
    RECT rc{};
    ::SendMessageW(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&rc));
    RECT client{};
    ::GetClientRect(edit, &client);
    rc.top = client.top;
    rc.bottom = client.bottom;
    ::DrawTextW(dc, cue.c_str(), static_cast<int>(cue.size()), &rc,
                DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  }
  BRIMLET_CATCH_LOG()
}

LRESULT CALLBACK SearchBoxWindow::EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<SearchBoxWindow*>(data);
  switch (message) {
    case WM_PAINT: {
      const LRESULT result = ::DefSubclassProc(edit, message, wParam, lParam);
      self->PaintCueText(edit);
      self->OnFirstPaint();
      return result;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      ::InvalidateRect(edit, nullptr, TRUE);
      break;
    case WM_CHAR:
      if (wParam >= 0x20 && wParam != 0x7F) {
        // A deletion or a control key never completes: the user is taking words away.
        self->typingCharacter_ = true;
        const LRESULT result = ::DefSubclassProc(edit, message, wParam, lParam);
        self->typingCharacter_ = false;
        return result;
      }
      break;
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION: {
      // No request while the input method composes; its end may commit nothing new.
      const LRESULT result = ::DefSubclassProc(edit, message, wParam, lParam);
      self->ReportField();
      return result;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(edit, &EditProc, kSubclassId);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace brimlet::win32
