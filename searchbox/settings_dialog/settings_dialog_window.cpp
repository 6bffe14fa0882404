#include "settings_dialog_window.h"

#include <commdlg.h>

#include <algorithm>
#include <climits>
#include <iterator>

#include "../../resources/brimlet_ids.h"
#include "../../resources/engine_editor_ids.h"
#include "engine_editor_window.h"
#include "../../resources/searchbox_dialog_ids.h"
#include "../../resources/settings_dialog_ids.h"
#include "box_session.h"
#include "box_shell.h"
#include "search_history.h"
#include "text/web_address.h"
#include "win32/ui_text.h"
#include "win32/trace.h"
#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

// The engine pictures at the system's small-icon size, which grows with the DPI.
int EngineImageSize() noexcept { return ::GetSystemMetrics(SM_CXSMICON); }

// Each check box and the value it edits.
struct CheckField {
  int id;
  bool SettingsForm::*field;
};
constexpr CheckField kChecks[] = {
    {IDC_RESTORE_POSITION, &SettingsForm::restorePosition},
    {IDC_HIDE_WHEN_INACTIVE, &SettingsForm::hideWhenInactive},
    {IDC_LARGE_BOX, &SettingsForm::largeBox},
    {IDC_CUSTOM_WORDS_COLOR, &SettingsForm::customWordsColor},
    {IDC_SNAP, &SettingsForm::snap},
    {IDC_REMEMBER_IME, &SettingsForm::rememberIme},
    {IDC_NOTIFY_UPDATES, &SettingsForm::notifyUpdates},
    {IDC_USE_KEYBOARD_HOOK, &SettingsForm::useKeyboardHook},
    {IDC_PREPARE_BOX, &SettingsForm::prepareBox},
    {IDC_REMEMBER_LAST_ENGINE, &SettingsForm::rememberLastEngine},
    {IDC_USE_DEFAULT_ENGINE, &SettingsForm::useDefaultEngine},
    {IDC_RECORD_WORDS, &SettingsForm::recordWords},
    {IDC_SHOW_LAST_WORDS, &SettingsForm::showLastWords},
    {IDC_SEARCH_SUGGESTIONS, &SettingsForm::searchSuggestions},
};

constexpr UINT kKeyStrokeItems[] = {IDS_KEYSTROKE_CTRL,   IDS_KEYSTROKE_SHIFT,
                                    IDS_KEYSTROKE_LCTRL,  IDS_KEYSTROKE_RCTRL,
                                    IDS_KEYSTROKE_LSHIFT, IDS_KEYSTROKE_RSHIFT};
constexpr UINT kDesignItems[] = {IDS_DESIGN_CLASSIC, IDS_DESIGN_STANDARD};

// What grows with the width and what follows the bottom-right corner; the rest stays put.
constexpr ResizeEntry kResizeTable[] = {
    {IDC_GENERAL_GROUP, resize::kSizeX},
    {IDC_TRIGGER_GROUP, resize::kSizeX},
    {IDC_SEARCH_GROUP, resize::kSizeX},
    {IDC_KEYSTROKE, resize::kSizeX},
    {IDC_DESIGN, resize::kSizeX},
    {IDC_OPACITY, resize::kSizeX},
    {IDOK, resize::kMoveX | resize::kMoveY},
    {IDCANCEL, resize::kMoveX | resize::kMoveY},
    {IDHELP, resize::kMoveX | resize::kMoveY},
};

// The dialog's answer to the update check: no counting, and a notice only when it can be
// offered whole and its address may reach the shell.
bool AcceptDialogNotice(const Notice& notice) noexcept {
  return !notice.label.empty() && !notice.description.empty() && !notice.address.empty() &&
         IsWebAddress(notice.address);
}

void SetItemText(HWND item, HINSTANCE module, UINT stringId) noexcept {
  try {
    ::SetWindowTextW(item, LoadResourceString(module, stringId).c_str());
  }
  BRIMLET_CATCH_LOG()
}

void AddListItem(HWND list, HINSTANCE module, UINT stringId, LPARAM data) noexcept {
  try {
    const std::wstring text = LoadResourceString(module, stringId);
    // Inserted at the end: the sorted style would otherwise reorder the items.
    const LRESULT index = ::SendMessageW(list, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) ::SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(index), data);
  }
  BRIMLET_CATCH_LOG()
}

// The check boxes and labels that may need more room than the template gives them.
constexpr int kLabels[] = {IDC_DESIGN_LABEL, IDC_OPACITY_LABEL, IDC_KEYSTROKE_LABEL};

// The control's rectangle in the dialog's client coordinates.
RECT ChildRect(HWND dialog, HWND child) noexcept {
  RECT rc{};
  ::GetWindowRect(child, &rc);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

// How far a control may grow to the right: up to the next control on its row, else up to
// the inside of the group box around it.
int RoomRightOf(HWND dialog, HWND control, const RECT& rc) noexcept {
  int limit = INT_MAX;
  for (HWND other = ::GetWindow(dialog, GW_CHILD); other != nullptr;
       other = ::GetWindow(other, GW_HWNDNEXT)) {
    if (other == control || !::IsWindowVisible(other)) continue;
    const RECT o = ChildRect(dialog, other);
    const bool group = (::GetWindowLongW(other, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX &&
                       ::GetDlgCtrlID(other) >= IDC_GENERAL_GROUP &&
                       ::GetDlgCtrlID(other) <= IDC_SEARCH_GROUP;
    if (group && o.left < rc.left && o.right > rc.left && o.top < rc.top && o.bottom > rc.bottom) {
      limit = std::min(limit, static_cast<int>(o.right) - 6);
    } else if (!group && o.left >= rc.right - 1 && o.top < rc.bottom && o.bottom > rc.top) {
      limit = std::min(limit, static_cast<int>(o.left) - 2);
    }
  }
  return limit;
}

// Fonts differ between systems: a text that does not fit its control grows the control
// into the free room beside it rather than be cut off.
void FitToText(HWND dialog, HWND control, bool checkBox) noexcept {
  const int text =
      TextWidth(control, reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
  if (text <= 0) return;
  const int needed = text + (checkBox ? ::GetSystemMetrics(SM_CXMENUCHECK) + 6 : 2);
  const RECT rc = ChildRect(dialog, control);
  if (needed <= rc.right - rc.left) return;
  const int width = std::min(needed, RoomRightOf(dialog, control, rc) - static_cast<int>(rc.left));
  if (width <= rc.right - rc.left) return;
  ::SetWindowPos(control, nullptr, 0, 0, width, rc.bottom - rc.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

SearchBoxConfigWindow::SearchBoxConfigWindow(HINSTANCE module, Settings& settings) noexcept
    : module_(module), settings_(settings) {}

SearchBoxConfigWindow::~SearchBoxConfigWindow() {
  if (hwnd() != nullptr) ::DestroyWindow(hwnd());
}

void SearchBoxConfigWindow::SetCatalogue(const SearchEngineList* catalogue) noexcept {
  defaultEngine_ = nullptr;
  catalogue_ = CopyCatalogue(catalogue);
}

HWND SearchBoxConfigWindow::Create() noexcept { return CreateModeless(module_, IDD_SETTINGS); }

bool SearchBoxConfigWindow::PreTranslateMessage(MSG& msg) noexcept {
  return hwnd() != nullptr && ::IsDialogMessageW(hwnd(), &msg);
}

bool SearchBoxConfigWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                          INT_PTR& result) noexcept {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      result = TRUE;
      return true;
    case WM_DESTROY:
      OnDestroy();
      return true;
    case WM_DRAWITEM:
      if (wParam != IDC_WORDS_COLOR_SWATCH) return false;
      DrawSwatch(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      result = TRUE;
      return true;
    case WM_COMMAND:
      if (OnCommand(LOWORD(wParam), HIWORD(wParam))) return true;
      break;
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.idFrom == IDC_DEFAULT_ENGINE_TOOLBAR && header.code == TBN_DROPDOWN) {
        ShowEngineMenu();
        result = TBDDRET_DEFAULT;
        return true;
      }
      break;
    }
    case kNoticeMessage:
      OnNoticeMessage(wParam);
      return true;
    default:
      break;
  }
  if (resizer_.HandleMessage(message, wParam, lParam) && message == WM_GETMINMAXINFO) {
    result = 0;
    return true;
  }
  return false;
}

void SearchBoxConfigWindow::OnInitDialog() noexcept {
  SetItemText(hwnd(), module_, IDS_CONFIG_TITLE);
  RECT window{};
  ::GetWindowRect(hwnd(), &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  // Centred, but a dialog taller or wider than the screen (a high DPI on a small screen)
  // keeps its caption on the work area, where the user can still reach and move it.
  RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int left =
      std::max(static_cast<int>(work.left), static_cast<int>(work.left + work.right - width) / 2);
  const int top =
      std::max(static_cast<int>(work.top), static_cast<int>(work.top + work.bottom - height) / 2);
  ::SetWindowPos(hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetUpEngineToolbar();
  try {
    mailbox_ = NoticeMailbox::Create(hwnd(), kNoticeMessage, {&AcceptDialogNotice, nullptr});
    form_ = LoadSettingsForm(settings_);
    const std::u16string guid = settings_.DefaultSearchEngine();
    if (catalogue_ && !guid.empty()) defaultEngine_ = catalogue_->FindByGuid(guid);
  }
  BRIMLET_CATCH_LOG()
  if (defaultEngine_ != nullptr) ShowEngine(defaultEngine_);
  FillLists();
  UpdateSnapState();
  if (defaultEngine_ == nullptr && catalogue_) {
    defaultEngine_ = catalogue_->GetDefault();
    ShowEngine(defaultEngine_);
  }
  for (const CheckField& check : kChecks) FitToText(hwnd(), Item(check.id), true);
  for (int id : kLabels) FitToText(hwnd(), Item(id), false);
  // The user may resize the dialog: it needs the sizing frame the template leaves out.
  ::SetWindowLongPtrW(hwnd(), GWL_STYLE, ::GetWindowLongPtrW(hwnd(), GWL_STYLE) | WS_THICKFRAME);
  ::SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  try {
    resizer_.Start(hwnd(), kResizeTable, {.sizeGrip = true});
  }
  BRIMLET_CATCH_LOG()
  Refresh();
}

void SearchBoxConfigWindow::SetUpEngineToolbar() noexcept {
  engineButton_.Build(Item(IDC_DEFAULT_ENGINE_TOOLBAR), module_, ID_DEFAULT_ENGINE_BUTTON,
                      EngineImageSize(),
                      BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN | BTNS_AUTOSIZE | BTNS_SHOWTEXT);
}

void SearchBoxConfigWindow::FillLists() noexcept {
  HWND keys = Item(IDC_KEYSTROKE);
  for (UINT id : kKeyStrokeItems) AddListItem(keys, module_, id, id);
  ::SendMessageW(keys, CB_SETCURSEL, static_cast<WPARAM>(settings_.KeyStroke()), 0);

  HWND designs = Item(IDC_DESIGN);
  for (UINT id : kDesignItems) AddListItem(designs, module_, id, id);
  const int32_t design = settings_.SearchBoxDesign();
  const bool known = design >= 0 && design < static_cast<int32_t>(std::size(kDesignItems));
  ::SendMessageW(designs, CB_SETCURSEL, known ? static_cast<WPARAM>(design) : 0, 0);

  HWND opacity = Item(IDC_OPACITY);
  for (const OpacityItem& item : kOpacityItems) {
    AddListItem(opacity, module_, item.stringId, item.stringId);
  }
  // An unknown stored value shows the first item but is kept until the user picks one.
  ::SendMessageW(opacity, CB_SETCURSEL, OpacityItemIndex(form_.opacity), 0);
}

int SearchBoxConfigWindow::Selection(int id) const noexcept {
  return static_cast<int>(::SendMessageW(Item(id), CB_GETCURSEL, 0, 0));
}

void SearchBoxConfigWindow::UpdateSnapState() noexcept {
  ::EnableWindow(Item(IDC_SNAP), ControlStatesOf(form_, Selection(IDC_DESIGN)).snapEnabled);
}

void SearchBoxConfigWindow::Refresh() noexcept {
  for (const CheckField& check : kChecks) {
    ::CheckDlgButton(hwnd(), check.id, form_.*check.field ? BST_CHECKED : BST_UNCHECKED);
  }
  const FormControlStates states = ControlStatesOf(form_, Selection(IDC_DESIGN));
  ::EnableWindow(Item(IDC_KEYSTROKE), states.keyStrokeEnabled);
  ::EnableWindow(Item(IDC_CHOOSE_COLOR), states.colorButtonEnabled);
  ::EnableWindow(Item(IDC_SHOW_LAST_WORDS), states.showLastWordsEnabled);
  ::EnableWindow(Item(IDC_USE_DEFAULT_ENGINE), states.useDefaultEngineEnabled);
  ::ShowWindow(Item(IDC_DEFAULT_ENGINE_TOOLBAR), states.engineToolbarVisible ? SW_SHOW : SW_HIDE);
}

bool SearchBoxConfigWindow::OnCommand(int id, int code) noexcept {
  switch (id) {
    case IDOK:
      OnOk();
      return true;
    case IDCANCEL:
      ::DestroyWindow(hwnd());
      return true;
    case IDHELP:
      OnHelp();
      return true;
    case IDC_DESIGN:
      if (code != CBN_SELCHANGE) return false;
      UpdateSnapState();
      Refresh();
      return true;
    case IDC_OPACITY:
      if (code != CBN_SELCHANGE) return false;
      if (const auto percent = OpacityPercent(static_cast<uint32_t>(
              ::SendMessageW(Item(IDC_OPACITY), CB_GETITEMDATA, Selection(IDC_OPACITY), 0)))) {
        form_.opacity = *percent;
      }
      return true;
    case IDC_CHECK_UPDATE:
      OnUpdateButton();
      return true;
    case IDC_CLEAR_HISTORY:
      OnClearHistory();
      return true;
    case IDC_EDIT_ENGINES:
      OnEditEngines();
      return true;
    case IDC_CHOOSE_COLOR:
      OnChooseColor();
      return true;
    default:
      return code == BN_CLICKED && ToggleCheck(id);
  }
}

bool SearchBoxConfigWindow::ToggleCheck(int id) noexcept {
  for (const CheckField& check : kChecks) {
    if (check.id != id) continue;
    form_.*check.field = !(form_.*check.field);
    Refresh();
    if (id == IDC_CUSTOM_WORDS_COLOR) ::InvalidateRect(Item(IDC_WORDS_COLOR_SWATCH), nullptr, TRUE);
    return true;
  }
  return false;
}

void SearchBoxConfigWindow::OnOk() noexcept {
  try {
    form_.defaultEngine.reset();
    if (defaultEngine_ != nullptr) form_.defaultEngine = defaultEngine_->GetGuid();
    SaveSettingsForm(form_, Selection(IDC_KEYSTROKE), Selection(IDC_DESIGN), settings_);
  }
  BRIMLET_CATCH_LOG()
  ::DestroyWindow(hwnd());
}

void SearchBoxConfigWindow::OnUpdateButton() noexcept {
  if (checkStarted_) {
    if (updateAddress_.empty()) return;
    // The address came from the network: only a web address may reach the shell.
    OpenWebAddress(hwnd(), updateAddress_);
    ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    return;
  }
  checkStarted_ = true;
  if (!mailbox_) return;
  // The process waits for the thread after the dialog is gone (WaitForNoticeChecks).
  if (mailbox_->StartCheck(true, false, noticeHost_)) {
    SetItemText(Item(IDC_CHECK_UPDATE), module_, IDS_CHECKING_UPDATE);
    ::EnableWindow(Item(IDC_CHECK_UPDATE), FALSE);
  }
}

void SearchBoxConfigWindow::OnNoticeMessage(WPARAM what) noexcept {
  HWND button = Item(IDC_CHECK_UPDATE);
  try {
    if (what == NoticeMailbox::kNoticeArrived && mailbox_) {
      if (const std::optional<Notice> notice = mailbox_->Take()) {
        updateAddress_ = notice->address;
        SetItemText(button, module_, IDS_UPDATE_AVAILABLE);
        ::EnableWindow(button, TRUE);
        return;
      }
    }
  }
  BRIMLET_CATCH_LOG()
  SetItemText(button, module_, IDS_NO_UPDATE);
  ::EnableWindow(button, FALSE);
}

void SearchBoxConfigWindow::OnClearHistory() noexcept {
  try {
    wchar_t title[256] = {};
    ::GetWindowTextW(hwnd(), title, static_cast<int>(std::size(title)));
    if (ShowMessageBox(hwnd(), LoadResourceString(module_, IDS_CLEAR_HISTORY_QUESTION), title,
                       MB_YESNO | MB_ICONQUESTION) == IDYES) {
      ClearHistory(registry_);
    }
  }
  BRIMLET_CATCH_LOG()
}

void SearchBoxConfigWindow::OnHelp() noexcept {
  try {
    OpenWebAddress(hwnd(), settings_.HelpAddress(u"cfg"));
  }
  BRIMLET_CATCH_LOG()
}

void SearchBoxConfigWindow::OnEditEngines() noexcept {
  try {
    EngineEditorWindow editor(module_, registry_, catalogue_.get());
    if (editor.Run(hwnd()) != IDOK || !catalogue_) return;
    // The default-engine menu offers the services as they are now.
    const std::u16string chosen = defaultEngine_ ? defaultEngine_->GetGuid() : std::u16string();
    engineButton_.ForgetImages();
    catalogue_->RemoveUserEngines();
    AddUserEngines(*catalogue_);
    defaultEngine_ = chosen.empty() ? nullptr : catalogue_->FindByGuid(chosen);
    ShowEngine(defaultEngine_);
  }
  BRIMLET_CATCH_LOG()
}

void SearchBoxConfigWindow::OnChooseColor() noexcept {
  CHOOSECOLORW choose{sizeof(choose)};
  choose.hwndOwner = hwnd();
  choose.rgbResult = form_.wordsColor;
  choose.lpCustColors = customColors_;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  if (!::ChooseColorW(&choose)) return;
  form_.wordsColor = choose.rgbResult;
  ::InvalidateRect(Item(IDC_WORDS_COLOR_SWATCH), nullptr, TRUE);
}

void SearchBoxConfigWindow::DrawSwatch(const DRAWITEMSTRUCT& item) noexcept {
  if (form_.customWordsColor) {
    UniqueGdiObject brush(::CreateSolidBrush(form_.wordsColor));
    ::FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(brush.get()));
  } else {
    // The colour-plus-one brush convention: 15 is system colour 14.
    ::FillRect(item.hDC, &item.rcItem,
               reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_HIGHLIGHTTEXT + 1)));
  }
}

void SearchBoxConfigWindow::ShowEngineMenu() noexcept {
  if (!catalogue_) return;
  if (const ISearchEngineItem* chosen = engineButton_.ShowMenu(
          hwnd(), *catalogue_, defaultEngine_, EngineButton::MenuAlignment::kLeftEdge)) {
    defaultEngine_ = chosen;
    ShowEngine(defaultEngine_);
  }
}

void SearchBoxConfigWindow::ShowEngine(const ISearchEngineItem* engine) noexcept {
  if (engine == nullptr) return;
  // An engine without a loadable icon shows the program's own picture.
  engineButton_.Show(engine, 0);
  // Lay the dialog out again for its present size, and show the change at once.
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  ::SendMessageW(hwnd(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  ::RedrawWindow(hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void SearchBoxConfigWindow::OnDestroy() noexcept {
  engineButton_.Destroy();
  // The check thread only reaches the mailbox: the dialog need not wait for it here, and
  // the process does so after letting the next start in.
  if (mailbox_) mailbox_->Forget();
  ::PostQuitMessage(1);
}

}  // namespace brimlet::win32
