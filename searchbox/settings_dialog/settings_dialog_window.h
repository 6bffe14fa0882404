// SearchBoxConfigWindow: the settings dialog, a resizable modeless dialog that holds every
// setting while it is open and writes them all when the user presses OK.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "engine_button.h"
#include "notice_mailbox.h"
#include "search_engine_list.h"
#include "settings.h"
#include "settings_form.h"
#include "win32/dialog_resizer.h"
#include "win32/message_loop.h"
#include "win32/unique_resource.h"
#include "win32/win32_registry.h"
#include "win32/window.h"

namespace brimlet::win32 {

class SearchBoxConfigWindow final : public Dialog, public IMessageFilter {
 public:
  // Posted by the notice mailbox when the update check has an answer.
  static constexpr UINT kNoticeMessage = WM_APP + 1;

  SearchBoxConfigWindow(HINSTANCE module, Settings& settings) noexcept;
  ~SearchBoxConfigWindow() override;

  // Takes a copy of the catalogue.
  void SetCatalogue(const SearchEngineList* catalogue) noexcept;
  // Creates the dialog without owner; nothing on failure.
  HWND Create() noexcept;
  // Where the update check asks instead of the build's endpoint (tests use a local server).
  void SetNoticeHost(std::u16string host) noexcept { noticeHost_ = std::move(host); }
  // The update check's mailbox; tests hand results in here.
  NoticeMailbox* Notices() const noexcept { return mailbox_.get(); }

  bool PreTranslateMessage(MSG& msg) noexcept override;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) noexcept override;

 private:
  void OnInitDialog() noexcept;
  void SetUpEngineToolbar() noexcept;
  void FillLists() noexcept;
  void UpdateSnapState() noexcept;
  void Refresh() noexcept;
  bool OnCommand(int id, int code) noexcept;
  bool ToggleCheck(int id) noexcept;
  void OnOk() noexcept;
  void OnUpdateButton() noexcept;
  void OnNoticeMessage(WPARAM what) noexcept;
  void OnClearHistory() noexcept;
  void OnHelp() noexcept;
  void OnChooseColor() noexcept;
  void OnEditEngines() noexcept;
  void DrawSwatch(const DRAWITEMSTRUCT& item) noexcept;
  void ShowEngineMenu() noexcept;
  void ShowEngine(const ISearchEngineItem* engine) noexcept;
  void OnDestroy() noexcept;
  HWND Item(int id) const noexcept { return ::GetDlgItem(hwnd(), id); }
  int Selection(int id) const noexcept;

  HINSTANCE module_;
  Settings& settings_;
  Win32Registry registry_;
  SettingsForm form_;
  std::unique_ptr<SearchEngineList> catalogue_;
  const ISearchEngineItem* defaultEngine_ = nullptr;
  EngineButton engineButton_;
  DialogResizer resizer_;
  COLORREF customColors_[16] = {};

  bool checkStarted_ = false;
  std::u16string updateAddress_;
  std::u16string noticeHost_;
  std::shared_ptr<NoticeMailbox> mailbox_;
};

}  // namespace brimlet::win32
