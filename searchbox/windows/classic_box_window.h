// SearchBoxWindow: the classic search box, a resizable modeless dialog with an edit field,
// the engine drop-down button, the search button, the record check box and three small
// system buttons (settings, push-pin, help).
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shldisp.h>
#include <shobjidl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "box_session.h"
#include "engine_button.h"
#include "suggest_window.h"
#include "box_suggestions.h"
#include "notice_mailbox.h"
#include "search_engine_list.h"
#include "settings.h"
#include "win32/dialog_resizer.h"
#include "win32/message_loop.h"
#include "win32/unique_resource.h"
#include "win32/win32_codepage.h"
#include "win32/win32_registry.h"
#include "win32/window.h"

namespace brimlet::win32 {

class SearchBoxWindow final : public Dialog,
                              public IMessageFilter,
                              private IBoxLauncher,
                              private ISuggestOwner {
 public:
  SearchBoxWindow(HINSTANCE module, Settings& settings) noexcept;
  ~SearchBoxWindow() override;

  // Takes a copy of the catalogue; the rotation list holds every engine in catalogue order.
  void SetCatalogue(const SearchEngineList* catalogue) noexcept {
    session_.SetCatalogue(catalogue);
  }
  // Creates the dialog without owner; nothing on failure.
  HWND Create() noexcept;

  // Before Create: the box is made hidden, in advance, and opens only at OpenPrepared. Until
  // then it takes no settings that may change, writes nothing, and its destruction is
  // silent (no rectangle stored, no quit message).
  void DeferOpening() noexcept { deferred_ = true; }
  // The prepared box takes the foreground and the focus while still hidden: the keys typed
  // from then on wait in its queue until it has opened.
  void TakeForeground() noexcept;
  // Takes the history, settings and monitors of now, as a new box would at its creation,
  // and shows the box in front with the focus in its field.
  void OpenPrepared() noexcept;

  bool PreTranslateMessage(MSG& msg) noexcept override;

  // The notice check's mailbox once a check was asked for; tests hand results in here.
  NoticeMailbox* Notices() const noexcept { return mailbox_.get(); }

  // The box's own completion list, which it uses instead of the system auto-complete object
  // while "SearchSuggestions" is on; null until it first opens.
  const SuggestWindow* Suggestions() const noexcept { return suggestions_.get(); }

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) noexcept override;

 private:
  void OnInitDialog() noexcept;
  // The last steps of the opening: placement, opacity, foreground, focus, input method.
  void FinishOpening() noexcept;
  // The field's selection, the record check box, the input method and the buttons' states.
  void FinishFieldState() noexcept;
  void SetTitle() noexcept;
  // The edit paints within the box's first paint; what need not be ready for it runs after.
  void OnFirstPaint() noexcept;
  void AfterFirstPaint() noexcept;
  void SetUpEdit() noexcept;
  void MakeLarge() noexcept;
  void SetUpAutoComplete() noexcept;
  // With "SearchSuggestions" on: the history and the service's suggestions in the box's own
  // list. The field's changes go to the schedule; its requests to the fetcher.
  void SetUpSuggestions() noexcept;
  void OnFieldChanged() noexcept;
  void ReportField() noexcept;
  BoxSession::SuggestionTarget FieldTarget() const;
  void RefreshSuggestions() noexcept;
  bool Composing() const noexcept;
  // Sets the field's text for the user (a choice), without opening the list for it.
  void FillField(std::u16string_view words) noexcept;
  void StartNoticeCheck() noexcept;
  void BuildEngineButton() noexcept;
  void BuildSystemButtons() noexcept;
  void PlaceWindow() noexcept;
  void RefreshUiState() noexcept;
  void UpdateEngineButton() noexcept;
  std::u16string TypedWords() const;
  // The words the user typed: the field without the history word's part that an inline
  // completion appended (selected up to the end).
  std::u16string TypedPart() const;
  // After a typed character: the first listed word completes the field when it is a history
  // word, its added part selected.
  void CompleteInline(const std::vector<SuggestionItem>& items,
                      const std::u16string& typed) noexcept;
  // Shows the engine a search of the typed words would use, when that changed.
  void FollowTypedKeyword() noexcept;
  void LayOutEngineButton() noexcept;
  void StepEngine(bool forward) noexcept;
  void ShowEngineMenu() noexcept;
  void RunSearch() noexcept;
  void ShowNoticeLink() noexcept;
  void OnNoticeMessage(WPARAM what) noexcept;
  void OnDestroy() noexcept;
  bool OnCommand(int id, int code) noexcept;
  bool OnNotify(const NMHDR& header, INT_PTR& result) noexcept;
  void PaintCueText(HWND edit) noexcept;
  // Closes the box once what it launched is on its way.
  void CloseAfterLaunch(bool launched) noexcept;

  // IBoxLauncher
  void OpenWebAddress(std::u16string_view address) noexcept override;
  bool LaunchSettings() noexcept override;
  // ISuggestOwner
  void HideSuggestions() noexcept override;
  void ChooseSuggestion(std::u16string_view words) noexcept override;
  bool ForgetSuggestion(std::u16string_view words) noexcept override;
  HWND Item(int id) const noexcept { return ::GetDlgItem(hwnd(), id); }
  RECT ItemRect(int id) const noexcept;

  // Posted by the notice mailbox; the link is shown on the window's own thread. (WM_USER
  // + 1 would be the dialog manager's DM_SETDEFID.)
  static constexpr UINT kNoticeMessage = WM_APP + 1;
  static constexpr UINT kAfterFirstPaintMessage = WM_APP + 2;
  static constexpr UINT kSuggestionMessage = WM_APP + 3;
  static constexpr UINT_PTR kSuggestionTimer = 1;
  static constexpr UINT_PTR kSubclassId = 1;

  static LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;
  static LRESULT CALLBACK LinkProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR) noexcept;

  HINSTANCE module_;
  Settings& settings_;
  Win32Registry registry_;
  Win32CodePageConverter converter_;
  BoxSession session_{settings_, registry_, converter_, *this};
  HACCEL accelerators_ = nullptr;
  bool firstPaintSeen_ = false;
  bool deferred_ = false;
  bool opened_ = false;

  EngineButton engineButton_;
  // The engine the button shows: a typed keyword's engine, else the current one.
  const ISearchEngineItem* shownEngine_ = nullptr;
  // The client size the controls are placed for: the template's, grown by the large box.
  // At a high DPI the system makes the dialog narrower at its creation.
  SIZE layoutClient_{};
  UniqueHImageList systemImages_;

  ComPtr<IAutoComplete2> autoComplete_;
  ComPtr<IAutoCompleteDropDown> dropDown_;

  std::unique_ptr<BoxSuggestions> feed_;
  std::unique_ptr<SuggestWindow> suggestions_;
  bool fillingField_ = false;
  bool typingCharacter_ = false;  // inside the edit's WM_CHAR of a printable character

  std::shared_ptr<NoticeMailbox> mailbox_;
  HWND noticeLink_ = nullptr;
  HWND noticeTip_ = nullptr;

  UniqueGdiObject largeFont_;
  UniqueGdiObject windowBrush_;
  DialogResizer resizer_;
};

}  // namespace brimlet::win32
