// What the page's script object asks of the page-based box. `ExternalDispatch` turns each
// script call into one of these; the box (or a test's fake) answers it on the UI thread.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "search_engine_item.h"
#include "settings.h"

namespace brimlet::win32 {

class IPageBox {
 public:
  virtual ~IPageBox() = default;

  // The three events the page stores: a new function replaces the old one, null clears it.
  virtual void SetShowEngineMenuHandler(IDispatch* function) noexcept = 0;
  virtual void SetRotateEngineHandler(IDispatch* function) noexcept = 0;
  // Also starts a notice check when "Update" is on.
  virtual void SetUpdateNotifyHandler(IDispatch* function) noexcept = 0;

  virtual void Init() noexcept = 0;
  virtual void Exit() noexcept = 0;
  virtual void DoDragWindow() noexcept = 0;
  virtual bool ExecuteConfig() noexcept = 0;
  virtual void ExecuteSearch(std::u16string_view words) noexcept = 0;
  // Next engine when `forward`, previous otherwise, wrapping.
  virtual void StepEngine(bool forward) noexcept = 0;
  // The engine menu at a point in the box's client coordinates; false when it cannot be made.
  virtual bool ShowEngineMenu(long x, long y) noexcept = 0;

  virtual bool IsAutoCompleteActive() noexcept = 0;
  virtual bool CanShowAutoComplete() noexcept = 0;
  // The field's rectangle in client coordinates (x, y, width, height). S_OK with the first
  // candidate in `initial` when a list was shown for non-empty words, S_FALSE otherwise.
  virtual HRESULT ShowAutoComplete(long x, long y, long width, long height,
                                   std::u16string_view words, IDispatch* begin, IDispatch* changed,
                                   IDispatch* end, std::u16string& initial) noexcept = 0;
  virtual void HideAutoComplete() noexcept = 0;

  virtual void OnNotifyHandled() noexcept = 0;
  // Null when there is no current engine.
  virtual const ISearchEngineItem* CurrentEngine() noexcept = 0;
  // "" unless "ShowLastSearchWords" is on and the stored history has an entry.
  virtual std::u16string LastSearchWords() noexcept = 0;
  virtual bool RecordSearchWords() noexcept = 0;  // the runtime flag
  virtual void SetRecordSearchWords(bool record) noexcept = 0;
  virtual bool ShowAlways() noexcept = 0;
  virtual void SetShowAlways(bool showAlways) noexcept = 0;
  virtual void LaunchHelp() noexcept = 0;
  // The settings the page reads ("RecordSearchWords", the custom colour, ...).
  virtual Settings& PageSettings() noexcept = 0;
};

}  // namespace brimlet::win32
