// Keeps a resizable dialog's controls anchored: each control listed in a table moves
// and/or grows with the change of the client width and height. The controls' current
// places are read at each size change, so a dialog may move a control itself between
// size changes (after a layout of its own) without telling the resizer.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

namespace brimlet::win32 {

namespace resize {
inline constexpr unsigned kMoveX = 0x1;
inline constexpr unsigned kSizeX = 0x2;
inline constexpr unsigned kMoveY = 0x4;
inline constexpr unsigned kSizeY = 0x8;
}  // namespace resize

struct ResizeEntry {
  int controlId;
  unsigned flags;  // resize::k* combined
};

class DialogResizer {
 public:
  struct Options {
    bool sizeGrip = false;
    // The dialog's size at Start is the smallest the user can make it.
    bool minimumIsInitialSize = true;
    bool clipChildren = true;
  };

  // Call once the dialog's controls have their initial places.
  void Start(HWND dialog, std::span<const ResizeEntry> table, const Options& options);
  void Start(HWND dialog, std::span<const ResizeEntry> table) { Start(dialog, table, Options{}); }

  // Forward WM_SIZE and WM_GETMINMAXINFO; true when the message was used.
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

  // The dialog changed its own size or layout: take the present client size as the base.
  void Rebase() noexcept;

  // The controls are placed for this client size, not the present one (the system cuts a
  // dialog wider than the screen at its creation and leaves the controls where the template
  // put them): lays them out for the present size.
  void LaidOutFor(SIZE client) noexcept;

  // The dialog's present size becomes the smallest the user can make it: for a dialog that
  // settles its opening size (fitted to the screen) after Start.
  void KeepPresentSizeAsMinimum() noexcept;

 private:
  void Apply(int width, int height) noexcept;

  HWND dialog_ = nullptr;
  HWND grip_ = nullptr;
  std::vector<ResizeEntry> table_;
  SIZE client_{};
  SIZE minimum_{};
};

}  // namespace brimlet::win32
