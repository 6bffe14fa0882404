// The search service editor: a modal dialog over the settings dialog that lists every engine,
// edits a copy of the user's services and keywords, and writes them to the settings key only
// on OK. Its form is a second modal dialog.
#pragma once

#include <windows.h>

#include <optional>

#include "engine_editor.h"
#include "ports/registry.h"
#include "win32/window.h"

namespace brimlet::win32 {

class EngineEditorWindow final : public Dialog {
 public:
  // `catalogue` is the list the boxes get (the services after the catalogue's engines).
  EngineEditorWindow(HINSTANCE module, IRegistry& registry, const SearchEngineList* catalogue);
  // IDOK when the changes were written, IDCANCEL otherwise.
  INT_PTR Run(HWND owner) noexcept;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) noexcept override;

 private:
  void OnInitDialog() noexcept;
  void Fill(std::optional<size_t> select) noexcept;
  std::optional<size_t> Selected() const noexcept;
  void UpdateButtons() noexcept;
  void OnEdit(std::optional<size_t> row) noexcept;
  void OnMove(bool up) noexcept;
  void OnImport() noexcept;
  void OnExport() noexcept;
  void OnOk() noexcept;
  HWND Item(int id) const noexcept { return ::GetDlgItem(hwnd(), id); }

  HINSTANCE module_;
  IRegistry& registry_;
  const SearchEngineList* catalogue_;
  EngineEditor editor_;
};

}  // namespace brimlet::win32
