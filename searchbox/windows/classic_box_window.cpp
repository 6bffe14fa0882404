#include "classic_box_window.h"

#include <shellapi.h>
#include <shlguid.h>

#include <algorithm>
#include <cstdlib>

#include "../../resources/brimlet_ids.h"
#include "../../resources/searchbox_dialog_ids.h"
#include "classic_box_images.h"
#include "classic_box_search.h"
#include "enum_search_history.h"
#include "notice_check_win32.h"
#include "placement_win32.h"
#include "settings_win32.h"
#include "start_engine.h"
#include "text/web_address.h"
#include "win32/instance_finder.h"
#include "win32/ui_text.h"
#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

constexpr UINT kNoticeMessage = WM_USER + 1;
constexpr DWORD kAutoCompleteOptions = 35;  // auto-suggest | auto-append | up/down drops list
constexpr int kEngineImageSize = 16;
constexpr int kSystemImageSize = 12;
constexpr int kEditGapAfterEngineButton = 8;
constexpr UINT_PTR kSubclassId = 1;

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

std::wstring FirstLine(std::wstring text) {
  text.resize(std::min(text.size(), text.find(L'\n')));
  return text;
}

// Only absolute http and https addresses may reach the shell (see IsWebAddress).
void OpenAddress(HWND owner, std::u16string_view address) noexcept {
  try {
    if (!IsWebAddress(address)) return;
    ::ShellExecuteW(owner, L"open", ToWide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  } catch (...) {
  }
}

}  // namespace

SearchBoxWindow::SearchBoxWindow(HINSTANCE module, Settings& settings) noexcept
    : module_(module), settings_(settings) {}

SearchBoxWindow::~SearchBoxWindow() {
  if (hwnd() != nullptr) ::DestroyWindow(hwnd());
}

void SearchBoxWindow::SetCatalogue(const SearchEngineList* catalogue) noexcept {
  rotation_.clear();
  current_ = nullptr;
  catalogue_ = catalogue != nullptr ? catalogue->Clone() : nullptr;
  if (!catalogue_) return;
  try {
    for (size_t i = 0; i < catalogue_->GetCount(); ++i) rotation_.push_back(catalogue_->GetAt(i));
  } catch (...) {
    rotation_.clear();
  }
}

HWND SearchBoxWindow::Create() noexcept { return CreateModeless(module_, IDD_SEARCH_BOX, nullptr); }

bool SearchBoxWindow::PreTranslateMessage(MSG& msg) noexcept {
  if (hwnd() == nullptr) return false;
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

void SearchBoxWindow::OnNotice(void* context, const std::u16string& label,
                               const std::u16string& description,
                               const std::u16string& address) noexcept {
  auto* self = static_cast<SearchBoxWindow*>(context);
  if (label.empty() || description.empty() || address.empty()) return;
  try {
    self->noticeLabel_ = ToWide(label);
    self->noticeDescription_ = ToWide(description);
    self->noticeAddress_ = ToWide(address);
  } catch (...) {
    return;
  }
  self->settings_.SetNotifyCount(self->settings_.NotifyCount() + 1);
  ::PostMessageW(self->hwnd(), kNoticeMessage, 0, 0);
}

void SearchBoxWindow::OnNoNotice(void* context) noexcept {
  static_cast<SearchBoxWindow*>(context)->settings_.SetNotifyCount(kDailyNoticeLimit);
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
      if (!searching_ && LOWORD(wParam) == WA_INACTIVE &&
          reinterpret_cast<HWND>(lParam) != hwnd() && hideWhenInactive_) {
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
      ShowNoticeLink();
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
  try {
    ::SetWindowTextW(hwnd(), LoadResourceString(module_, IDS_BOX_TITLE).c_str());
  } catch (...) {
  }
  if (settings_.Update()) StartNoticeCheck();
  accelerators_ = ::LoadAcceleratorsW(module_, MAKEINTRESOURCEW(IDR_SEARCH_BOX_ACCELERATORS));
  const auto icon = [this](int metricX, int metricY) {
    return ::LoadImageW(module_, MAKEINTRESOURCEW(IDI_BRIMLET), IMAGE_ICON,
                        ::GetSystemMetrics(metricX), ::GetSystemMetrics(metricY), LR_SHARED);
  };
  ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(icon(SM_CXICON, SM_CYICON)));
  ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(icon(SM_CXSMICON, SM_CYSMICON)));
  try {
    LoadHistoryInto(registry_, history_);
  } catch (...) {
  }
  record_ = settings_.RecordSearchWords();
  hideWhenInactive_ = settings_.HideAtInactivate();
  SetUpEdit();
  BuildEngineButton();
  BuildSystemButtons();
  if (catalogue_) {
    try {
      const std::u16string last = settings_.LastSearchEngine();
      const std::u16string fixed = settings_.DefaultSearchEngine();
      const StartEngine start =
          ChooseStartEngine(*catalogue_, current_,
                            StartEngineSettings{settings_.RememberLastSearchEngine(), last,
                                                settings_.SetDefaultSearchEngine(), fixed});
      current_ = start.engine;
      if (start.writeLastSearchEngine && current_ != nullptr) {
        settings_.SetLastSearchEngine(current_->GetGuid());
      }
    } catch (...) {
    }
  }
  UpdateEngineButton();
  resizer_.Start(hwnd(), kResizeTable);
  PlaceWindow();
  ApplyOpacity(hwnd(), settings_.SearchBoxTransparency());
  BringToForeground(hwnd());
  HWND edit = Item(IDC_SEARCH_WORDS);
  ::SetFocus(edit);
  ::SendMessageW(edit, EM_SETSEL, 0, -1);
  if (!settings_.RecordSearchWords()) {
    ::CheckDlgButton(hwnd(), IDC_RECORD_SEARCH_WORDS, BST_UNCHECKED);
    ::ShowWindow(Item(IDC_RECORD_SEARCH_WORDS), SW_HIDE);
  }
  if (settings_.RememberImeState()) RestoreImeState(edit, settings_);
  RefreshUiState();
}

void SearchBoxWindow::SetUpEdit() noexcept {
  HWND edit = Item(IDC_SEARCH_WORDS);
  ::SetWindowSubclass(edit, &EditProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  if (settings_.UseLargeSearchBox()) MakeLarge();
  if (!settings_.RecordSearchWords()) return;
  if (settings_.ShowLastSearchWords()) {
    if (std::optional<std::u16string> newest = history_.WordsAt(0)) {
      ::SetWindowTextW(edit, AsWide(*newest));
    }
  }
  SetUpAutoComplete();
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
}

void SearchBoxWindow::SetUpAutoComplete() noexcept {
  autoComplete_ = AttachHistoryAutoComplete(Item(IDC_SEARCH_WORDS), history_);
  if (autoComplete_) dropDown_ = autoComplete_.As<IAutoCompleteDropDown>(IID_IAutoCompleteDropDown);
}

void SearchBoxWindow::StartNoticeCheck() noexcept {
  noticeThread_ = ::brimlet::win32::StartNoticeCheck(false, true, this, &OnNotice, &OnNoNotice);
}

void SearchBoxWindow::BuildEngineButton() noexcept {
  HWND toolbar = Item(IDC_ENGINE_TOOLBAR);
  engineImages_ =
      ImageList_Create(kEngineImageSize, kEngineImageSize, ILC_COLOR32 | ILC_MASK, 1, 4);
  if (HICON icon =
          static_cast<HICON>(::LoadImageW(module_, MAKEINTRESOURCEW(IDI_DEFAULT_ENGINE), IMAGE_ICON,
                                          kEngineImageSize, kEngineImageSize, LR_DEFAULTCOLOR))) {
    ImageList_AddIcon(engineImages_, icon);
    ::DestroyIcon(icon);
  }
  ::SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0,
                 TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS);
  ::SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(engineImages_));
  TBBUTTON button{};
  button.iBitmap = 0;
  button.idCommand = ID_ENGINE_BUTTON;
  button.fsState = TBSTATE_ENABLED;
  button.fsStyle = BTNS_WHOLEDROPDOWN | BTNS_SHOWTEXT | BTNS_AUTOSIZE;
  button.iString = reinterpret_cast<INT_PTR>(L"");
  ::SendMessageW(toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
}

void SearchBoxWindow::BuildSystemButtons() noexcept {
  HWND toolbar = Item(IDC_SYSTEM_TOOLBAR);
  systemImages_ =
      ImageList_Create(kSystemImageSize, kSystemImageSize, ILC_COLOR32 | ILC_MASK, 3, 0);
  const int ids[] = {ID_SETTINGS, ID_PUSH_PIN, ID_HELP};
  TBBUTTON buttons[3] = {};
  const COLORREF dark = ::GetSysColor(COLOR_3DDKSHADOW);
  for (int i = 0; i < 3; ++i) {
    int image = -1;
    if (HICON icon = LoadRecolouredIcon(module_, ids[i], kSystemImageSize, dark)) {
      image = ImageList_AddIcon(systemImages_, icon);
      ::DestroyIcon(icon);
    }
    buttons[i].iBitmap = image >= 0 ? image : I_IMAGENONE;
    buttons[i].idCommand = ids[i];
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = static_cast<BYTE>(ids[i] == ID_PUSH_PIN ? BTNS_CHECK : BTNS_BUTTON);
    buttons[i].iString = -1;
  }
  ::SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(systemImages_));
  ::SendMessageW(toolbar, TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(buttons));
  // At the top right of the client area, as large as its buttons together.
  int width = 0;
  int height = 0;
  for (int i = 0; i < 3; ++i) {
    RECT rc{};
    ::SendMessageW(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc));
    width += rc.right - rc.left;
    height = std::max(height, static_cast<int>(rc.bottom - rc.top));
  }
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  ::SetWindowPos(toolbar, nullptr, client.right - width, 0, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void SearchBoxWindow::PlaceWindow() noexcept {
  if (!settings_.RestoreLastWindowPos()) {
    CentreOnCursorMonitor(hwnd());
    return;
  }
  const Rect saved = settings_.LastWindowRect();
  const bool empty = saved.right - saved.left <= 0 || saved.bottom - saved.top <= 0;
  ::SetWindowPos(hwnd(), nullptr, saved.left, saved.top, saved.right - saved.left,
                 saved.bottom - saved.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | (empty ? SWP_NOSIZE : 0));
}

void SearchBoxWindow::RefreshUiState() noexcept {
  ::CheckDlgButton(hwnd(), IDC_RECORD_SEARCH_WORDS, record_ ? BST_CHECKED : BST_UNCHECKED);
  ::EnableWindow(Item(IDC_RECORD_SEARCH_WORDS), settings_.RecordSearchWords());
  ::SendMessageW(Item(IDC_SYSTEM_TOOLBAR), TB_CHECKBUTTON, ID_PUSH_PIN,
                 MAKELPARAM(!hideWhenInactive_, 0));
}

int SearchBoxWindow::EngineImage(const ISearchEngineItem* engine) noexcept {
  if (engine == nullptr) return -1;
  if (auto found = engineImageIndex_.find(engine); found != engineImageIndex_.end()) {
    return found->second;
  }
  int index = -1;
  try {
    if (HICON icon = LoadEngineIcon(ToWide(engine->GetImagePath()), kEngineImageSize)) {
      index = ImageList_AddIcon(engineImages_, icon);
      ::DestroyIcon(icon);
    }
    engineImageIndex_[engine] = index;
  } catch (...) {
  }
  return index;
}

void SearchBoxWindow::UpdateEngineButton() noexcept {
  HWND toolbar = Item(IDC_ENGINE_TOOLBAR);
  try {
    std::wstring name = current_ != nullptr ? ToWide(current_->GetName()) : std::wstring();
    TBBUTTONINFOW info{sizeof(info)};
    info.dwMask = TBIF_TEXT;
    info.pszText = name.data();
    // An engine without a loadable icon keeps the picture shown before.
    if (const int image = EngineImage(current_); image >= 0) {
      info.dwMask |= TBIF_IMAGE;
      info.iImage = image;
    }
    ::SendMessageW(toolbar, TB_SETBUTTONINFOW, ID_ENGINE_BUTTON, reinterpret_cast<LPARAM>(&info));
  } catch (...) {
  }
  LayOutEngineButton();
  ::InvalidateRect(Item(IDC_SEARCH_WORDS), nullptr, TRUE);
  ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void SearchBoxWindow::LayOutEngineButton() noexcept {
  HWND toolbar = Item(IDC_ENGINE_TOOLBAR);
  RECT button{};
  ::SendMessageW(toolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
  const RECT bar = ItemRect(IDC_ENGINE_TOOLBAR);
  const RECT edit = ItemRect(IDC_SEARCH_WORDS);
  const RECT search = ItemRect(IDOK);
  // The button vertically centred on the edit.
  const int buttonHeight = button.bottom - button.top;
  const int top = edit.top + (edit.bottom - edit.top - buttonHeight) / 2 - button.top;
  const int width = button.right;
  ::SetWindowPos(toolbar, nullptr, bar.left, top, width, button.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  const int editLeft = bar.left + width + kEditGapAfterEngineButton;
  ::SetWindowPos(Item(IDC_SEARCH_WORDS), nullptr, editLeft, edit.top,
                 std::max(0, static_cast<int>(search.left) - editLeft), edit.bottom - edit.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT SearchBoxWindow::ItemRect(int id) const noexcept {
  RECT rc{};
  ::GetWindowRect(Item(id), &rc);
  ::MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

void SearchBoxWindow::StepEngine(bool forward) noexcept {
  current_ = brimlet::StepEngine(rotation_, current_, forward);
  UpdateEngineButton();
}

void SearchBoxWindow::ShowEngineMenu() noexcept {
  if (!catalogue_) return;
  UniqueHMenu menu(::CreatePopupMenu());
  if (!menu) return;
  std::vector<UniqueGdiObject> pictures;
  const int cx = ::GetSystemMetrics(SM_CXSMICON);
  const int cy = ::GetSystemMetrics(SM_CYSMICON);
  try {
    for (size_t i = 0; i < catalogue_->GetCount(); ++i) {
      const ISearchEngineItem* engine = catalogue_->GetAt(i);
      const std::wstring name = ToWide(engine->GetName());
      const UINT id = kFirstEngineCommand + static_cast<UINT>(i);
      ::AppendMenuW(menu.get(), MF_STRING | (engine == current_ ? MF_CHECKED : 0), id,
                    name.c_str());
      if (UniqueHIcon icon(LoadEngineIcon(ToWide(engine->GetImagePath()), cx)); icon) {
        pictures.emplace_back(IconToMenuBitmap(icon.get(), cx, cy, ::GetSysColor(COLOR_MENU)));
        MENUITEMINFOW item{sizeof(item)};
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = static_cast<HBITMAP>(pictures.back().get());
        ::SetMenuItemInfoW(menu.get(), id, FALSE, &item);
      }
    }
  } catch (...) {
  }
  // The menu's right edge at the button's bottom-right corner.
  RECT button{};
  HWND toolbar = Item(IDC_ENGINE_TOOLBAR);
  ::SendMessageW(toolbar, TB_GETRECT, ID_ENGINE_BUTTON, reinterpret_cast<LPARAM>(&button));
  POINT corner{button.right, button.bottom};
  ::ClientToScreen(toolbar, &corner);
  const UINT chosen = static_cast<UINT>(
      ::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_RIGHTALIGN, corner.x,
                       corner.y, 0, hwnd(), nullptr));
  if (const ISearchEngineItem* engine = EngineForMenuCommand(*catalogue_, chosen)) {
    current_ = engine;
    UpdateEngineButton();
  }
}

void SearchBoxWindow::RunSearch() noexcept {
  searching_ = true;
  try {
    const std::u16string words = FromWide(WindowText(Item(IDC_SEARCH_WORDS)));
    ::EnableWindow(hwnd(), FALSE);
    ::ShowWindow(hwnd(), SW_HIDE);
    HWND owner = hwnd();
    brimlet::RunSearch(
        SearchServices{converter_, settings_, registry_, history_,
                       [owner](std::u16string_view address) { OpenAddress(owner, address); }},
        current_, words, record_);
  } catch (...) {
  }
  ::DestroyWindow(hwnd());
}

void SearchBoxWindow::OpenSettings() noexcept {
  try {
    const std::wstring path = OwnModulePath();
    if (path.empty()) return;
    hideWhenInactive_ = false;
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    ::ShellExecuteW(nullptr, L"open", path.c_str(), L"/config /RUNSEARCHBOX", folder.c_str(),
                    SW_SHOWNORMAL);
    ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
  } catch (...) {
  }
}

void SearchBoxWindow::OpenHelp() noexcept {
  try {
    const std::u16string address = settings_.HelpAddress(u"sb");
    if (address.empty()) return;
    hideWhenInactive_ = false;
    OpenAddress(hwnd(), address);
    ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
  } catch (...) {
  }
}

void SearchBoxWindow::OpenNotice() noexcept {
  if (noticeAddress_.empty()) return;
  settings_.SetNotifyCount(kDailyNoticeLimit);
  searching_ = true;
  // The address came from the network: it too must be a web address.
  OpenAddress(hwnd(), FromWide(noticeAddress_));
  ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

void SearchBoxWindow::ShowNoticeLink() noexcept {
  if (noticeLabel_.empty()) return;
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
  ::SetWindowTextW(noticeLink_, noticeLabel_.c_str());
  if (noticeTip_ != nullptr) {
    TTTOOLINFOW tool{sizeof(tool)};
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(noticeLink_);
    tool.lpszText = noticeDescription_.data();
    ::SendMessageW(noticeTip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(noticeTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SIZE ideal{};
  HDC dc = ::GetDC(noticeLink_);
  HGDIOBJ old = ::SelectObject(dc, font);
  ::GetTextExtentPoint32W(dc, noticeLabel_.c_str(), static_cast<int>(noticeLabel_.size()), &ideal);
  ::SelectObject(dc, old);
  ::ReleaseDC(noticeLink_, dc);
  const RECT edit = ItemRect(IDC_SEARCH_WORDS);
  const RECT check = ItemRect(IDC_RECORD_SEARCH_WORDS);
  const int width = std::min(static_cast<int>(ideal.cx), static_cast<int>(check.left - edit.left));
  ::SetWindowPos(noticeLink_, nullptr, edit.left, check.top, std::max(0, width), ideal.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(noticeLink_, SW_SHOW);
}

void SearchBoxWindow::OnDestroy() noexcept {
  ::SendMessageW(Item(IDC_ENGINE_TOOLBAR), TB_SETIMAGELIST, 0, 0);
  ::SendMessageW(Item(IDC_SYSTEM_TOOLBAR), TB_SETIMAGELIST, 0, 0);
  if (engineImages_ != nullptr) ImageList_Destroy(engineImages_);
  if (systemImages_ != nullptr) ImageList_Destroy(systemImages_);
  engineImages_ = systemImages_ = nullptr;
  if (settings_.RememberImeState()) SaveImeState(Item(IDC_SEARCH_WORDS), settings_);
  RECT rc{};
  if (::GetWindowRect(hwnd(), &rc)) settings_.SetLastWindowRect(ToRect(rc));
  dropDown_.reset();
  autoComplete_.reset();
  if (noticeThread_) {
    ::WaitForSingleObject(noticeThread_.get(), kNoticeWaitMilliseconds);
    noticeThread_.reset();
  }
  ::PostQuitMessage(1);
}

bool SearchBoxWindow::OnCommand(int id, int code) noexcept {
  switch (id) {
    case IDOK:
      RunSearch();
      return true;
    case IDCANCEL:
      ::DestroyWindow(hwnd());
      return true;
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
      record_ = !record_;
      RefreshUiState();
      return true;
    case ID_PUSH_PIN:
      hideWhenInactive_ = !hideWhenInactive_;
      RefreshUiState();
      return true;
    case ID_SETTINGS:
      OpenSettings();
      return true;
    case ID_HELP:
      OpenHelp();
      return true;
    case IDC_NOTICE_LINK:
      if (code != STN_CLICKED) return false;
      OpenNotice();
      return true;
    default:
      return false;
  }
}

bool SearchBoxWindow::OnNotify(const NMHDR& header, INT_PTR& result) noexcept {
  if (header.idFrom == IDC_ENGINE_TOOLBAR && header.code == TBN_DROPDOWN) {
    ShowEngineMenu();
    result = TBDDRET_DEFAULT;
    return true;
  }
  if (header.idFrom == IDC_SYSTEM_TOOLBAR && header.code == TBN_GETINFOTIPW) {
    auto& tip = *reinterpret_cast<NMTBGETINFOTIPW*>(const_cast<NMHDR*>(&header));
    try {
      const std::wstring text =
          FirstLine(LoadResourceString(module_, static_cast<UINT>(tip.iItem)));
      if (tip.pszText != nullptr && tip.cchTextMax > 0) {
        const size_t n = std::min(text.size(), static_cast<size_t>(tip.cchTextMax - 1));
        std::copy_n(text.c_str(), n, tip.pszText);
        tip.pszText[n] = L'\0';
      }
    } catch (...) {
    }
    result = 0;
    return true;
  }
  return false;
}

void SearchBoxWindow::PaintCueText(HWND edit) noexcept {
  if (current_ == nullptr || ::GetWindowTextLengthW(edit) != 0 || ::GetFocus() == edit) return;
  try {
    const std::wstring cue = ToWide(current_->GetName()) + L" で検索";
    HDC dc = ::GetDC(edit);
    HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(edit, WM_GETFONT, 0, 0)));
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
    ::SelectObject(dc, old);
    ::ReleaseDC(edit, dc);
  } catch (...) {
  }
}

LRESULT CALLBACK SearchBoxWindow::EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR data) noexcept {
  auto* self = reinterpret_cast<SearchBoxWindow*>(data);
  switch (message) {
    case WM_PAINT: {
      const LRESULT result = ::DefSubclassProc(edit, message, wParam, lParam);
      self->PaintCueText(edit);
      return result;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      ::InvalidateRect(edit, nullptr, TRUE);
      break;
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(edit, &EditProc, kSubclassId);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(edit, message, wParam, lParam);
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
