#include "suggest_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "../../resources/suggest_window_ids.h"
#include "suggest_list.h"
#include "win32/script_function.h"
#include "win32/wide.h"
#include "win32/trace.h"
#include "win32/unique_resource.h"

// The accelerator table is linked into the module that holds this code.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace brimlet::win32 {
namespace {

constexpr wchar_t kClassName[] = L"BrimletSuggestWindow";
constexpr UINT_PTR kListSubclassId = 1;

HINSTANCE ThisModule() noexcept { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

Rect ToRect(const RECT& r) noexcept { return Rect{r.left, r.top, r.right, r.bottom}; }

SuggestSelection CurrentSelection(HWND list) noexcept {
  const LRESULT index = ::SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return std::nullopt;
  return static_cast<size_t>(index);
}

void Select(HWND list, SuggestSelection item) noexcept {
  ::SendMessageW(list, LB_SETCURSEL, item ? static_cast<WPARAM>(*item) : static_cast<WPARAM>(-1),
                 0);
}

// The second colour of a service suggestion: the selection colour darkened towards the text
// colour, so that it reads on the window colour in every scheme (the link colour is pale in
// some).
COLORREF ServiceInk() noexcept {
  const COLORREF a = ::GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF b = ::GetSysColor(COLOR_WINDOWTEXT);
  const auto mix = [](int x, int y) { return static_cast<BYTE>((x * 2 + y) / 3); };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
             mix(GetBValue(a), GetBValue(b)));
}

// A script function may drop the last outside reference to itself or replace the callbacks
// while it runs: the call holds its own reference.
void Call(const ComPtr<IDispatch>& function, std::span<const VARIANT> args = {}) noexcept {
  const ComPtr<IDispatch> held = function;
  CallScriptFunction(held.get(), args);
}

}  // namespace

SuggestWindow::~SuggestWindow() {
  // The box is going: nobody may be called back from the pop-up's destruction.
  owner_ = nullptr;
  begin_.reset();
  changed_.reset();
  end_.reset();
  if (HWND window = hwnd()) ::DestroyWindow(window);
}

bool SuggestWindow::Create(HWND ownerWindow, const RECT& screenRect, MessageLoop& loop) noexcept {
  if (hwnd()) return false;
  loop_ = &loop;
  return Create(ownerWindow, screenRect);
}

bool SuggestWindow::Create(HWND ownerWindow, const RECT& screenRect) noexcept {
  if (hwnd()) return false;
  const HINSTANCE instance = ThisModule();
  if (!RegisterClass(instance, kClassName, nullptr, 0, ::GetSysColorBrush(COLOR_WINDOW))) {
    return false;
  }
  return Window::Create(instance, kClassName, nullptr, WS_POPUP,
                        WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOPARENTNOTIFY, ownerWindow,
                        screenRect.left, screenRect.top, screenRect.right - screenRect.left,
                        screenRect.bottom - screenRect.top) != nullptr;
}

void SuggestWindow::ClearList() noexcept {
  if (list_) ::SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  sources_.clear();
}

void SuggestWindow::MoveTo(const RECT& screenRect) noexcept {
  if (!hwnd()) return;
  ::MoveWindow(hwnd(), screenRect.left, screenRect.top, screenRect.right - screenRect.left,
               screenRect.bottom - screenRect.top, FALSE);
}

void SuggestWindow::SetUpward(bool upward) noexcept {
  if (upward_ == upward) return;
  upward_ = upward;
  // A request that keeps the size gets no WM_SIZE, yet the list must change its edge.
  RECT client{};
  if (hwnd() && ::GetClientRect(hwnd(), &client)) PlaceList(client.right, client.bottom);
}

void SuggestWindow::SetCallbacks(IDispatch* begin, IDispatch* changed, IDispatch* end) noexcept {
  begin_ = ComPtr<IDispatch>(begin);
  changed_ = ComPtr<IDispatch>(changed);
  end_ = ComPtr<IDispatch>(end);
}

void SuggestWindow::ShowCandidates(const std::vector<std::u16string>& candidates,
                                   bool typedEmpty) noexcept {
  std::vector<SuggestionItem> items;
  try {
    items.reserve(candidates.size());
    for (const std::u16string& text : candidates)
      items.push_back({text, SuggestionSource::kHistory});
  } catch (...) {
    BRIMLET_TRACE_CAUGHT();
    return;  // out of memory: the list stays as it was
  }
  ShowItems(items, typedEmpty);
}

void SuggestWindow::ShowItems(const std::vector<SuggestionItem>& items, bool typedEmpty) noexcept {
  if (!list_) return;
  SuggestOpening opening;
  std::vector<SuggestionSource> sources;
  try {
    std::vector<std::u16string> texts;
    texts.reserve(items.size());
    for (const SuggestionItem& item : items) {
      texts.push_back(item.text);
      sources.push_back(item.source);
    }
    opening = OpenSuggestions(texts, upward_, typedEmpty);
    if (upward_) std::reverse(sources.begin(), sources.end());
  } catch (...) {
    BRIMLET_TRACE_CAUGHT();
    return;  // out of memory: the list stays as it was
  }
  // Emptied here too, so that a request that skipped ClearList cannot show stale items.
  ::SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  sources_ = std::move(sources);
  for (const std::u16string& item : opening.items) {
    ::SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AsWide(item)));
  }
  ShrinkToItems();

  if (opening.selected) {
    Select(list_, opening.selected);
  } else {
    Select(list_, std::nullopt);
    ::SendMessageW(list_, LB_SETTOPINDEX, opening.nearField, 0);
  }
  // The list box was moved without redrawing; a list already on screen shows the new items.
  ::InvalidateRect(hwnd(), nullptr, TRUE);
  ::InvalidateRect(list_, nullptr, TRUE);
}

void SuggestWindow::ShrinkToItems() noexcept {
  RECT window{};
  RECT client{};
  ::GetWindowRect(hwnd(), &window);
  ::GetClientRect(hwnd(), &client);
  const int itemHeight = static_cast<int>(::SendMessageW(list_, LB_GETITEMHEIGHT, 0, 0));
  const auto count = static_cast<size_t>(::SendMessageW(list_, LB_GETCOUNT, 0, 0));
  if (const auto shrunk =
          brimlet::ShrinkToItems(ToRect(window), client.bottom, itemHeight, count, upward_)) {
    ::SetWindowPos(hwnd(), nullptr, shrunk->left, shrunk->top, shrunk->Width(), shrunk->Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

std::optional<SuggestionItem> SuggestWindow::ItemAt(size_t index) const {
  if (!list_ || index >= sources_.size()) return std::nullopt;
  const LRESULT length = ::SendMessageW(list_, LB_GETTEXTLEN, index, 0);
  if (length < 0) return std::nullopt;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(
      ::SendMessageW(list_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
  return SuggestionItem{FromWide(text), sources_[index]};
}

std::optional<SuggestionItem> SuggestWindow::Selected() const {
  if (!list_) return std::nullopt;
  const SuggestSelection item = CurrentSelection(list_);
  if (!item) return std::nullopt;
  std::optional<SuggestionItem> selected = ItemAt(*item);
  if (selected && selected->text.empty()) return std::nullopt;
  return selected;
}

std::vector<SuggestionItem> SuggestWindow::Items() const {
  std::vector<SuggestionItem> items;
  for (size_t index = 0; index < sources_.size(); ++index) {
    if (std::optional<SuggestionItem> item = ItemAt(index)) items.push_back(std::move(*item));
  }
  return items;
}

bool SuggestWindow::ForgetSelected() noexcept {
  const SuggestSelection index = CurrentSelection(list_);
  std::optional<SuggestionItem> item;
  try {
    item = Selected();
  } catch (...) {
    BRIMLET_TRACE_CAUGHT();
    return false;
  }
  if (!index || !item || item->source != SuggestionSource::kHistory || !owner_ ||
      !owner_->ForgetSuggestion(item->text)) {
    return false;
  }
  ::SendMessageW(list_, LB_DELETESTRING, *index, 0);
  sources_.erase(sources_.begin() + static_cast<std::ptrdiff_t>(*index));
  if (sources_.empty()) {
    AskOwnerToHide();
    return true;
  }
  // The highlight stays where it was, on the item that moved up into the place.
  Select(list_, std::min(*index, sources_.size() - 1));
  ShrinkToItems();
  return true;
}

void SuggestWindow::Show() noexcept {
  if (hwnd()) ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
}

bool SuggestWindow::PreTranslateMessage(MSG& msg) noexcept {
  if (!shown_ || !accelerators_ || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) {
    return false;
  }
  // Shift+Delete on a highlighted item removes it when it is a history word and does nothing
  // on a service suggestion (the field would take it as a cut); with nothing highlighted it
  // is the field's.
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_DELETE && ::GetKeyState(VK_SHIFT) < 0 &&
      CurrentSelection(list_)) {
    ForgetSelected();
    return true;
  }
  // Down and Up typed into the page become our commands and never reach the page.
  return ::TranslateAcceleratorW(hwnd(), accelerators_.get(), &msg) != 0;
}

bool SuggestWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                  LRESULT& result) noexcept {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      result = list_ ? 0 : -1;
      return true;
    case WM_WINDOWPOSCHANGED: {
      // Visibility from here rather than WM_SHOWWINDOW: a visible window that is destroyed
      // is hidden without WM_SHOWWINDOW, and its end call must still come.
      result = ::DefWindowProcW(hwnd(), message, wParam, lParam);  // WM_SIZE first
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (pos->flags & SWP_SHOWWINDOW) OnVisibilityChanged(true);
      if (pos->flags & SWP_HIDEWINDOW) OnVisibilityChanged(false);
      return true;
    }
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) PlaceList(LOWORD(lParam), HIWORD(lParam));
      return false;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      result = 0;
      return true;
    case WM_MEASUREITEM:
      OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) AskOwnerToHide();
      return false;
    case WM_ACTIVATEAPP:
      // The pop-up is rarely the active window itself (the page keeps the activation while
      // the user types), so switching to another program is seen here.
      if (!wParam) AskOwnerToHide();
      return false;
    default:
      return false;
  }
}

void SuggestWindow::OnFinalMessage() noexcept {
  StopFiltering();
  accelerators_.reset();
  list_ = nullptr;
  begin_.reset();
  changed_.reset();
  end_.reset();
}

void SuggestWindow::OnCreate() noexcept {
  const HINSTANCE instance = ThisModule();
  accelerators_.reset(::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_SUGGEST_ACCELERATORS)));
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  // Drawn by the window, so that a service suggestion can look different from a history word.
  list_ = ::CreateWindowExW(
      0, L"LISTBOX", nullptr,
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED, 0, 0,
      client.right, client.bottom, hwnd(),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SUGGEST_LIST)), instance, nullptr);
  if (!list_) return;
  ::SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
  ::SetWindowSubclass(list_, &SuggestWindow::ListProc, kListSubclassId,
                      reinterpret_cast<DWORD_PTR>(this));
}

void SuggestWindow::OnVisibilityChanged(bool visible) noexcept {
  if (visible == shown_) return;
  shown_ = visible;
  if (visible) {
    if (loop_) {
      try {
        loop_->AddFilter(this);
      }
      BRIMLET_CATCH_LOG()  // Out of memory: the list still shows, only Down and Up do not reach it.
    }
    Call(begin_);
  } else {
    if (loop_) loop_->RemoveFilter(this);
    Call(end_);
  }
}

void SuggestWindow::OnMeasureItem(MEASUREITEMSTRUCT& measure) noexcept {
  // The height the list box gives an item of its font, with a pixel above and below.
  TEXTMETRICW metrics{};
  {
    const UniqueWindowDc dc(hwnd());
    const ScopedSelectObject font(dc.get(), ::GetStockObject(DEFAULT_GUI_FONT));
    ::GetTextMetricsW(dc.get(), &metrics);
  }
  measure.itemHeight = static_cast<UINT>(std::max<LONG>(metrics.tmHeight + 2, 1));
}

void SuggestWindow::OnDrawItem(const DRAWITEMSTRUCT& draw) noexcept {
  if (draw.itemID == static_cast<UINT>(-1)) return;
  HDC dc = draw.hDC;
  const bool selected = (draw.itemState & ODS_SELECTED) != 0;
  const bool service =
      draw.itemID < sources_.size() && sources_[draw.itemID] == SuggestionSource::kService;
  ::FillRect(dc, &draw.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const COLORREF ink = selected  ? ::GetSysColor(COLOR_HIGHLIGHTTEXT)
                       : service ? ServiceInk()
                                 : ::GetSysColor(COLOR_WINDOWTEXT);
  const int height = draw.rcItem.bottom - draw.rcItem.top;
  // Every text starts after the glyph's column, so that both kinds line up.
  RECT textRect = draw.rcItem;
  textRect.left += height + 2;
  if (service) {
    // A magnifying glass: a ring and a handle, in the text's colour.
    const int size = std::max(height - 6, 5);
    const int left = draw.rcItem.left + (height - size) / 2 + 1;
    const int top = draw.rcItem.top + (height - size) / 2;
    const int ring = size * 2 / 3;
    const UniqueGdiObject pen(::CreatePen(PS_SOLID, std::max(size / 7, 1), ink));
    const ScopedSelectObject penSelected(dc, pen.get());
    const ScopedSelectObject brushSelected(dc, ::GetStockObject(NULL_BRUSH));
    ::Ellipse(dc, left, top, left + ring, top + ring);
    ::MoveToEx(dc, left + ring - ring / 6, top + ring - ring / 6, nullptr);
    ::LineTo(dc, left + size, top + size);
  }
  try {
    if (const std::optional<SuggestionItem> item = ItemAt(draw.itemID)) {
      const std::wstring text = ToWide(item->text);
      const ScopedSelectObject font(dc, ::GetStockObject(DEFAULT_GUI_FONT));
      ::SetTextColor(dc, ink);
      ::SetBkMode(dc, TRANSPARENT);
      ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
  }
  BRIMLET_CATCH_LOG()
  if (draw.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &draw.rcItem);
}

void SuggestWindow::StopFiltering() noexcept {
  if (shown_ && loop_) loop_->RemoveFilter(this);
  shown_ = false;
}

void SuggestWindow::OnCommand(WORD id, WORD code) noexcept {
  switch (id) {
    case ID_SUGGEST_SELECT_NEXT:
      StepSelection(true);
      break;
    case ID_SUGGEST_SELECT_PREVIOUS:
      StepSelection(false);
      break;
    case IDC_SUGGEST_LIST:
      // A click that lands after the list was hidden changes nothing for the page.
      if (code == LBN_SELCHANGE && shown_) CallChanged();
      if (code == LBN_SETFOCUS) OnListFocus();
      break;
    default:
      break;
  }
}

void SuggestWindow::OnListFocus() noexcept {
  // The mouse has already selected the item under it (the list box takes the focus before it
  // selects the clicked item itself).
  CallChanged();
  AskOwnerToHide();
}

void SuggestWindow::PlaceList(int width, int height) noexcept {
  if (!list_) return;
  constexpr UINT kFlags = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE;
  ::SetWindowPos(list_, nullptr, 0, 0, width, height, kFlags);
  if (!upward_) return;
  // The list box trims itself to whole items; upward, the trimmed part must not be the
  // bottom, next to the field.
  RECT placed{};
  ::GetWindowRect(list_, &placed);
  const int listHeight = placed.bottom - placed.top;
  if (listHeight != height) {
    ::SetWindowPos(list_, nullptr, 0, height - listHeight, 0, 0, kFlags | SWP_NOSIZE);
  }
}

void SuggestWindow::StepSelection(bool forward) noexcept {
  if (!list_) return;
  const auto count = static_cast<size_t>(::SendMessageW(list_, LB_GETCOUNT, 0, 0));
  const SuggestSelection current = CurrentSelection(list_);
  Select(list_, forward ? SelectNext(current, count) : SelectPrevious(current, count));
}

void SuggestWindow::SelectItemAt(POINT listPoint) noexcept {
  const LRESULT hit =
      ::SendMessageW(list_, LB_ITEMFROMPOINT, 0, MAKELPARAM(listPoint.x, listPoint.y));
  if (HIWORD(hit) != 0) return;  // below the last item, or outside the list
  const size_t item = LOWORD(hit);
  if (CurrentSelection(list_) != item) Select(list_, item);
}

void SuggestWindow::CallChanged() noexcept {
  const SuggestSelection item = CurrentSelection(list_);
  if (!item) return;
  const LRESULT length = ::SendMessageW(list_, LB_GETTEXTLEN, *item, 0);
  if (length <= 0) return;
  UniqueBstr text(::SysAllocStringLen(nullptr, static_cast<UINT>(length)));
  if (!text) return;
  ::SendMessageW(list_, LB_GETTEXT, *item, reinterpret_cast<LPARAM>(text.get()));
  if (owner_) {
    try {
      owner_->ChooseSuggestion(
          FromWide(std::wstring_view(text.get(), static_cast<size_t>(length))));
    }
    BRIMLET_CATCH_LOG()
  }
  VARIANT arg{};
  arg.vt = VT_BSTR;
  arg.bstrVal = text.get();
  Call(changed_, {&arg, 1});
}

void SuggestWindow::AskOwnerToHide() noexcept {
  if (owner_ && hwnd() && ::IsWindowVisible(hwnd())) owner_->HideSuggestions();
}

LRESULT CALLBACK SuggestWindow::ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<SuggestWindow*>(data);
  switch (message) {
    case WM_MOUSEMOVE:
      self->SelectItemAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(hwnd, &SuggestWindow::ListProc, id);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace brimlet::win32
