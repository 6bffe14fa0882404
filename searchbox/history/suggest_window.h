// The completion list of the page-based box: a pop-up under (or above) the page's field that
// lists the candidates, follows Up and Down typed into the page and the mouse, and reports
// the user's choice to the page's script.
//
// Lifetimes: the box owns the SuggestWindow object and outlives it; the box's window owns
// the pop-up, so destroying the box's window destroys the pop-up first. The object may
// outlive its window (it is then inert: every operation does nothing), and if the object
// goes first its destructor destroys the pop-up without calling the owner or the script.
// The message loop given to Create must outlive the window.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "merged_suggestions.h"
#include "win32/message_loop.h"
#include "win32/unique_resource.h"
#include "win32/window.h"

namespace brimlet::win32 {

// The box that shows the list. It hides the list (and gives the focus back to its own
// window) when the list asks: after a click into the list or when the list loses activation.
class ISuggestOwner {
 public:
  virtual void HideSuggestions() noexcept = 0;
  // The user chose an item (a click); a box that takes its choices here rather than through
  // the script's changed callback fills its field.
  virtual void ChooseSuggestion(std::u16string_view) noexcept {}
  // Shift+Delete on a history item: true when the word left the history, and the list
  // drops it then. Service suggestions are never offered here.
  virtual bool ForgetSuggestion(std::u16string_view) noexcept { return false; }

 protected:
  ~ISuggestOwner() = default;
};

class SuggestWindow final : public Window, public IMessageFilter {
 public:
  explicit SuggestWindow(ISuggestOwner& owner) noexcept : owner_(&owner) {}
  ~SuggestWindow() override;

  // The pop-up over `screenRect`, owned by `ownerWindow`, hidden. Its Down and Up work
  // through `loop`'s filters while it is shown.
  bool Create(HWND ownerWindow, const RECT& screenRect, MessageLoop& loop) noexcept;
  // The same for an owner that is itself a filter of its loop and hands every message to
  // PreTranslateMessage first.
  bool Create(HWND ownerWindow, const RECT& screenRect) noexcept;

  void ClearList() noexcept;
  // Later requests reuse the window: no repaint here, the refill paints.
  void MoveTo(const RECT& screenRect) noexcept;
  void SetUpward(bool upward) noexcept;
  // Script function objects (any may be null); a new set replaces the old one.
  void SetCallbacks(IDispatch* begin, IDispatch* changed, IDispatch* end) noexcept;
  // Fills the list (emptied first), shrinks it to the items when they all fit, and selects
  // the first candidate unless the typed text was empty.
  void ShowCandidates(const std::vector<std::u16string>& candidates, bool typedEmpty) noexcept;
  // The same for a merged list: a service suggestion is drawn with a small search glyph in
  // the link colour.
  void ShowItems(const std::vector<SuggestionItem>& items, bool typedEmpty) noexcept;
  // The highlighted item, if any.
  std::optional<SuggestionItem> Selected() const;
  // Every item, top first.
  std::vector<SuggestionItem> Items() const;
  bool Visible() const noexcept { return shown_; }
  // Shows it without taking the activation or the focus from the page.
  void Show() noexcept;

  HWND list() const noexcept { return list_; }
  bool PreTranslateMessage(MSG& msg) noexcept override;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override;
  void OnFinalMessage() noexcept override;

 private:
  void OnCreate() noexcept;
  void OnMeasureItem(MEASUREITEMSTRUCT& measure) noexcept;
  void OnDrawItem(const DRAWITEMSTRUCT& draw) noexcept;
  bool ForgetSelected() noexcept;
  std::optional<SuggestionItem> ItemAt(size_t index) const;
  void ShrinkToItems() noexcept;
  void OnVisibilityChanged(bool visible) noexcept;
  void OnCommand(WORD id, WORD code) noexcept;
  void OnListFocus() noexcept;
  void PlaceList(int width, int height) noexcept;
  void StepSelection(bool forward) noexcept;
  void SelectItemAt(POINT listPoint) noexcept;
  void CallChanged() noexcept;
  void AskOwnerToHide() noexcept;
  void StopFiltering() noexcept;
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR data) noexcept;

  // Null once the object is being destroyed, so the owner is never called from then on.
  ISuggestOwner* owner_;
  MessageLoop* loop_ = nullptr;
  HWND list_ = nullptr;
  UniqueResource<HACCEL, ::DestroyAcceleratorTable, detail::Null<HACCEL>> accelerators_;
  bool upward_ = false;
  // Where each list item came from, in the list box's order.
  std::vector<SuggestionSource> sources_;
  bool shown_ = false;  // between the begin and the end call; a filter of the loop meanwhile
  ComPtr<IDispatch> begin_;
  ComPtr<IDispatch> changed_;
  ComPtr<IDispatch> end_;
};

}  // namespace brimlet::win32
