// The classic box's two toolbars: the engine button with its menu, and the system buttons.
#include <algorithm>

#include "../../resources/searchbox_dialog_ids.h"
#include "box_images.h"
#include "box_shell.h"
#include "classic_box_window.h"
#include "placement_win32.h"
#include "win32/trace.h"
#include "win32/ui_text.h"
#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

// Drawn for 96 DPI; scaled with the box's DPI.
constexpr int kEngineImageSize = 16;
constexpr int kSystemImageSize = 12;
constexpr int kEditGapAfterEngineButton = 8;

std::wstring FirstLine(std::wstring text) {
  text.resize(std::min(text.size(), text.find(L'\n')));
  return text;
}

}  // namespace

void SearchBoxWindow::BuildEngineButton() noexcept {
  engineButton_.Build(Item(IDC_ENGINE_TOOLBAR), module_, ID_ENGINE_BUTTON,
                      ScaleForDpi(kEngineImageSize, WindowDpi(hwnd())),
                      BTNS_WHOLEDROPDOWN | BTNS_SHOWTEXT | BTNS_AUTOSIZE);
}

void SearchBoxWindow::BuildSystemButtons() noexcept {
  HWND toolbar = Item(IDC_SYSTEM_TOOLBAR);
  const int size = ScaleForDpi(kSystemImageSize, WindowDpi(hwnd()));
  systemImages_.reset(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 3, 0));
  const int ids[] = {ID_SETTINGS, ID_PUSH_PIN, ID_HELP};
  TBBUTTON buttons[3] = {};
  int first = -1;
  if (UniqueGdiObject strip{
          LoadRecolouredStrip(module_, ids, size, ::GetSysColor(COLOR_3DDKSHADOW))}) {
    first = ImageList_Add(systemImages_.get(), static_cast<HBITMAP>(strip.get()), nullptr);
  }
  for (int i = 0; i < 3; ++i) {
    buttons[i].iBitmap = first >= 0 ? first + i : I_IMAGENONE;
    buttons[i].idCommand = ids[i];
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = static_cast<BYTE>(ids[i] == ID_PUSH_PIN ? BTNS_CHECK : BTNS_BUTTON);
    buttons[i].iString = -1;
  }
  ::SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(systemImages_.get()));
  ::SendMessageW(toolbar, TB_ADDBUTTONSW, 3, reinterpret_cast<LPARAM>(buttons));
  // At the top right of the client area the controls are placed for, as large as its
  // buttons together.
  int width = 0;
  int height = 0;
  for (int i = 0; i < 3; ++i) {
    RECT rc{};
    ::SendMessageW(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc));
    width += rc.right - rc.left;
    height = std::max(height, static_cast<int>(rc.bottom - rc.top));
  }
  ::SetWindowPos(toolbar, nullptr, layoutClient_.cx - width, 0, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void SearchBoxWindow::UpdateEngineButton() noexcept {
  try {
    shownEngine_ = session_.EngineForWords(TypedWords());
  } catch (...) {
    shownEngine_ = session_.Current();
  }
  // An engine without a loadable icon keeps the picture shown before.
  engineButton_.Show(shownEngine_, EngineButton::kKeepImage);
  LayOutEngineButton();
  ::InvalidateRect(Item(IDC_SEARCH_WORDS), nullptr, TRUE);
  ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void SearchBoxWindow::FollowTypedKeyword() noexcept {
  try {
    if (session_.EngineForWords(TypedWords()) != shownEngine_) {
      UpdateEngineButton();
    }
  }
  BRIMLET_CATCH_LOG()
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

void SearchBoxWindow::StepEngine(bool forward) noexcept {
  session_.StepEngine(forward);
  UpdateEngineButton();
}

void SearchBoxWindow::ShowEngineMenu() noexcept {
  const SearchEngineList* catalogue = session_.Catalogue();
  if (catalogue == nullptr) return;
  // The menu's right edge at the button's bottom-right corner.
  if (const ISearchEngineItem* chosen = engineButton_.ShowMenu(
          hwnd(), *catalogue, session_.Current(), EngineButton::MenuAlignment::kRightEdge)) {
    session_.Choose(chosen);
    UpdateEngineButton();
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
    }
    BRIMLET_CATCH_LOG()
    result = 0;
    return true;
  }
  return false;
}

}  // namespace brimlet::win32
