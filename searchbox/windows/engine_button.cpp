#include "engine_button.h"

#include <string>

#include "../../resources/searchbox_dialog_ids.h"
#include "box_images.h"
#include "box_shell.h"
#include "win32/wide.h"
#include "win32/trace.h"

namespace brimlet::win32 {

void EngineButton::Build(HWND toolbar, HINSTANCE module, int command, int size,
                         BYTE style) noexcept {
  toolbar_ = toolbar;
  command_ = command;
  size_ = size;
  images_.reset(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 4));
  if (UniqueHIcon icon(static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(IDI_DEFAULT_ENGINE),
                                                       IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
      icon && images_) {
    ImageList_AddIcon(images_.get(), icon.get());
  }
  ::SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0,
                 TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS);
  ::SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_.get()));
  TBBUTTON button{};
  button.iBitmap = 0;
  button.idCommand = command;
  button.fsState = TBSTATE_ENABLED;
  button.fsStyle = style;
  button.iString = reinterpret_cast<INT_PTR>(L"");
  ::SendMessageW(toolbar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
}

void EngineButton::Destroy() noexcept {
  if (toolbar_ != nullptr) ::SendMessageW(toolbar_, TB_SETIMAGELIST, 0, 0);
  images_.reset();
  imageIndex_.clear();
}

int EngineButton::Image(const ISearchEngineItem* engine) noexcept {
  if (engine == nullptr || !images_) return -1;
  if (auto found = imageIndex_.find(engine); found != imageIndex_.end()) return found->second;
  int index = -1;
  try {
    if (UniqueHIcon icon(EngineIcon(*engine, size_)); icon) {
      index = ImageList_AddIcon(images_.get(), icon.get());
    }
    imageIndex_[engine] = index < 0 ? -1 : index;
  }
  BRIMLET_CATCH_LOG()
  return index < 0 ? -1 : index;
}

void EngineButton::Show(const ISearchEngineItem* engine, int fallbackImage) noexcept {
  try {
    std::wstring name = engine != nullptr ? ToWide(engine->GetName()) : std::wstring();
    TBBUTTONINFOW info{sizeof(info)};
    info.dwMask = TBIF_TEXT;
    info.pszText = name.data();
    int image = Image(engine);
    if (image < 0) image = fallbackImage;
    if (image >= 0) {
      info.dwMask |= TBIF_IMAGE;
      info.iImage = image;
    }
    ::SendMessageW(toolbar_, TB_SETBUTTONINFOW, command_, reinterpret_cast<LPARAM>(&info));
  }
  BRIMLET_CATCH_LOG()
}

const ISearchEngineItem* EngineButton::ShowMenu(HWND owner, const SearchEngineList& catalogue,
                                                const ISearchEngineItem* current,
                                                MenuAlignment alignment) noexcept {
  RECT button{};
  ::SendMessageW(toolbar_, TB_GETRECT, command_, reinterpret_cast<LPARAM>(&button));
  const bool right = alignment == MenuAlignment::kRightEdge;
  POINT corner{right ? button.right : button.left, button.bottom};
  ::ClientToScreen(toolbar_, &corner);
  return ShowEngineMenu(owner, catalogue, current, corner, right ? TPM_RIGHTALIGN : 0).chosen;
}

}  // namespace brimlet::win32
