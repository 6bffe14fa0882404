// The about box: product name, the installed version from the product key, a notice.
#pragma once

#include "win32/dialog_resizer.h"
#include "win32/window.h"

namespace brimlet::win32 {

class AboutDialog final : public Dialog {
 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) noexcept override;

 private:
  void OnInitDialog() noexcept;
  DialogResizer resizer_;
};

}  // namespace brimlet::win32
