// The engine drop-down button of the classic box and of the settings dialog: a toolbar with
// one drop-down button that shows an engine's name and icon, its image list (image 0 is the
// program's engine picture), the icons loaded so far and the engine menu under the button.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>

#include "search_engine_item.h"
#include "search_engine_list.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {

class EngineButton {
 public:
  // Where the menu opens at the button's bottom edge.
  enum class MenuAlignment { kLeftEdge, kRightEdge };

  // Sets up the toolbar's one button, `command`, with pictures of size x size pixels.
  // `style` is the button's style.
  void Build(HWND toolbar, HINSTANCE module, int command, int size, BYTE style) noexcept;
  // The toolbar lets go of the image list, which is freed.
  void Destroy() noexcept;

  // Shows the engine's name and icon on the button. `fallbackImage` is shown for an engine
  // whose icon cannot be loaded (kKeepImage: the picture shown before stays).
  static constexpr int kKeepImage = -1;
  void Show(const ISearchEngineItem* engine, int fallbackImage) noexcept;

  // The engine menu under the button: the chosen engine, or null.
  const ISearchEngineItem* ShowMenu(HWND owner, const SearchEngineList& catalogue,
                                    const ISearchEngineItem* current,
                                    MenuAlignment alignment) noexcept;

  HWND toolbar() const noexcept { return toolbar_; }
  // The engines shown so far are gone (their list was rebuilt): their icons load again.
  void ForgetImages() noexcept { imageIndex_.clear(); }

 private:
  // The engine's image index, loading its icon on first use; -1 when it cannot be loaded.
  int Image(const ISearchEngineItem* engine) noexcept;

  HWND toolbar_ = nullptr;
  int command_ = 0;
  int size_ = 16;
  UniqueResource<HIMAGELIST, ImageList_Destroy, detail::Null<HIMAGELIST>> images_;
  std::map<const ISearchEngineItem*, int> imageIndex_;
};

}  // namespace brimlet::win32
