// SearchBoxWindowEx: the standard search box, a borderless topmost layered popup shaped like
// its skin's background picture, hosting a browser control that shows the box's page. The
// page reaches the box through its script object (IPageBox); the box owns the engines, the
// in-memory history, the completion list, the notice hand-over and the first-run hint.
//
// The page is locked: the browser's events are heard for the box's whole life, every
// navigation but the box's own page is cancelled, no window opens from it, nothing can be
// dropped on it, and only the box's own document gets the script object.
//
// Lifetimes: everything outside the window that can call back holds no pointer to the box
// after WM_DESTROY: the script object, the browser host and the browser's listener are
// disconnected there, the notice thread only reaches a shared mailbox that outlives the box
// while the thread runs, and the completion list is an owned window destroyed with it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "box_session.h"
#include "box_suggestions.h"
#include "notice_mailbox.h"
#include "page_box.h"
#include "page_box_initializer.h"
#include "search_engine_list.h"
#include "settings.h"
#include "suggest_window.h"
#include "win32/browser_host.h"
#include "win32/message_loop.h"
#include "win32/unique_resource.h"
#include "win32/win32_codepage.h"
#include "win32/win32_registry.h"
#include "win32/window.h"

namespace brimlet::win32 {

class ExternalDispatch;

// How long a page may take to show its box before the box gives up and the entry falls back
// to the classic box. The browser's first document is the slow part on a cold or slow machine,
// so the short wait counts from it; a control that never completes one (no working engine) is
// given up after the long one.
struct PageShowTimeouts {
  // From the browser's first document: the page itself loads from the program's own resource
  // in well under a second.
  UINT afterBrowserReadyMs = 5000;
  // From creation, for a browser that never completes its first document.
  UINT fromCreationMs = 15000;
};

class SearchBoxWindowEx final : public Window,
                                public IMessageFilter,
                                public IPageBox,
                                public ISuggestOwner,
                                public IBrowserHostClient,
                                private IPageEvents,
                                private IBoxLauncher {
 public:
  SearchBoxWindowEx(HINSTANCE module, MessageLoop& loop, Settings& settings,
                    PageShowTimeouts timeouts = {}) noexcept;
  ~SearchBoxWindowEx() override;

  // Takes a copy of the catalogue; the rotation list holds every engine in catalogue order.
  void SetCatalogue(const SearchEngineList* catalogue) noexcept {
    session_.SetCatalogue(catalogue);
  }
  // Creates the hidden window and starts loading the page; nothing when the box cannot be
  // made (no skin picture or shape, no browser control).
  HWND Create() noexcept;
  // Before Create: the box is made hidden, in advance. Its page loads and runs its start-up,
  // but the page's Init shows nothing: `onPageReady` is called instead, and the box opens at
  // OpenPrepared. Until then it has no title, stores nothing and is counted nowhere.
  void DeferOpening(std::function<void()> onPageReady) noexcept {
    deferred_ = true;
    onPageReady_ = std::move(onPageReady);
  }
  // Takes the foreground and the keyboard focus for the hidden window (a summon granted it).
  void TakeForeground() noexcept;
  // Reads what a box made now would read (history, settings, engine, position, opacity),
  // has the page show it, and shows the box in front with the caret in its field.
  void OpenPrepared() noexcept;
  // True when the box was destroyed without ever having been shown by its page.
  bool GaveUp() const noexcept { return gaveUp_; }
  // The page's `window.external`; tests drive it as the page's script would.
  IDispatch* ScriptObject() const noexcept;
  // The hosted control (tests navigate it and read its sites); null once the box is gone.
  ComPtr<IWebBrowser2> Browser() const noexcept;
  // The DPI the box is drawn for (its monitor's).
  uint32_t Dpi() const noexcept { return dpi_; }
  // Where notice checks ask instead of the build's endpoint (tests use a local server).
  void SetNoticeHost(std::u16string host) noexcept { noticeHost_ = std::move(host); }
  // The notice checks' mailbox once the window exists; tests hand results in here.
  NoticeMailbox* Notices() const noexcept { return mailbox_.get(); }

  bool PreTranslateMessage(MSG& msg) noexcept override;

  // IPageBox
  void SetShowEngineMenuHandler(IDispatch* function) noexcept override;
  void SetRotateEngineHandler(IDispatch* function) noexcept override;
  void SetUpdateNotifyHandler(IDispatch* function) noexcept override;
  void Init() noexcept override;
  void Exit() noexcept override;
  void DoDragWindow() noexcept override;
  bool ExecuteConfig() noexcept override;
  void ExecuteSearch(std::u16string_view words) noexcept override;
  void StepEngine(bool forward) noexcept override;
  bool ShowEngineMenu(long x, long y) noexcept override;
  bool IsAutoCompleteActive() noexcept override;
  bool CanShowAutoComplete() noexcept override;
  HRESULT ShowAutoComplete(long x, long y, long width, long height, std::u16string_view words,
                           IDispatch* begin, IDispatch* changed, IDispatch* end,
                           std::u16string& initial) noexcept override;
  void HideAutoComplete() noexcept override;
  void OnNotifyHandled() noexcept override;
  const ISearchEngineItem* CurrentEngine() noexcept override { return session_.Current(); }
  std::u16string LastSearchWords() noexcept override;
  bool RecordSearchWords() noexcept override { return session_.Records(); }
  void SetRecordSearchWords(bool record) noexcept override { session_.SetRecords(record); }
  bool ShowAlways() noexcept override { return session_.Pinned(); }
  void SetShowAlways(bool showAlways) noexcept override { session_.SetPinned(showAlways); }
  void LaunchHelp() noexcept override;
  Settings& PageSettings() noexcept override { return settings_; }

  // ISuggestOwner
  void HideSuggestions() noexcept override { HideAutoComplete(); }
  bool ForgetSuggestion(std::u16string_view words) noexcept override;

  // IBrowserHostClient: the browser's own menu only over text fields; the script object only
  // for the box's own page.
  HRESULT ShowContextMenu(DWORD id, POINT point, IUnknown* target) noexcept override;
  bool MayHaveExternal() noexcept override;

  // Posted by the notice mailbox when a check has an answer.
  static constexpr UINT kNoticeMessage = WM_APP + 1;

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override;
  void OnFinalMessage() noexcept override;

 private:
  bool OnCreate() noexcept;
  bool StartPage() noexcept;
  // The box at a DPI: its picture's size and shape scaled, its top-left corner kept; the
  // page's zoom follows. False when the picture gives no shape at that size.
  bool ApplyDpi(uint32_t dpi) noexcept;
  void ApplyZoom() noexcept;
  void PlaceOnOpening(bool restore) noexcept;
  void GiveFocusToPage() noexcept;
  // Calls a function of the page's own script by name, without arguments.
  bool CallPageFunction(const wchar_t* name) noexcept;

  // IPageEvents
  void OnBrowserReady() noexcept override;
  void OnPageComplete() noexcept override;
  void OnNewWindow(std::u16string_view url) noexcept override;
  bool OnActivate(WORD state, HWND other) noexcept;
  void OnMouseMove(LPARAM position) noexcept;
  void EndDrag() noexcept;
  void OnDestroy() noexcept;
  void RaiseUpdateNotify(WPARAM what) noexcept;
  void ShowStartHint() noexcept;
  void RemoveStartHint() noexcept;
  HWND DocumentWindow() const noexcept;
  bool SuggestionsVisible() const noexcept;
  // The list for the page's last request, history first, then the service's suggestions
  // for those words (with "SearchSuggestions" on). S_OK with the inline completion, else
  // S_FALSE.
  HRESULT ShowList(std::u16string& initial) noexcept;
  void HideList() noexcept;
  BoxSession::SuggestionTarget RequestTarget() const;

  // IBoxLauncher: the box is out of sight before the browser comes up.
  void OpenWebAddress(std::u16string_view address) noexcept override;
  bool LaunchSettings() noexcept override;

  static constexpr UINT_PTR kShowTimer = 1;
  static constexpr UINT_PTR kSuggestionTimer = 2;
  static constexpr UINT kSuggestionMessage = WM_APP + 2;

  HINSTANCE module_;
  MessageLoop& loop_;
  Settings& settings_;
  const PageShowTimeouts timeouts_;
  Win32Registry registry_;
  Win32CodePageConverter converter_;

  BoxSession session_{settings_, registry_, converter_, *this};
  UniqueResource<HACCEL, ::DestroyAcceleratorTable, detail::Null<HACCEL>> accelerators_;
  bool shown_ = false;
  bool gaveUp_ = false;
  bool deferred_ = false;
  bool pageReady_ = false;  // a deferred box's page has run its start-up
  bool opened_ = false;
  std::function<void()> onPageReady_;
  bool created_ = false;  // the loop ends with the window only after a complete creation

  std::u16string skinFolder_;
  int32_t pictureWidth_ = 0;  // the skin picture's own size, drawn for 96 DPI
  int32_t pictureHeight_ = 0;
  uint32_t dpi_ = 96;
  bool pageComplete_ = false;

  ComPtr<BrowserHost> host_;
  ComPtr<ExternalDispatch> external_;
  ComPtr<BrowserInitializer> initializer_;
  ComPtr<IDispatch> showMenuHandler_;
  ComPtr<IDispatch> rotateHandler_;
  ComPtr<IDispatch> updateNotifyHandler_;

  bool dragging_ = false;
  POINT dragCursor_{};
  RECT dragRect_{};

  std::u16string noticeHost_;
  std::shared_ptr<NoticeMailbox> mailbox_;

  std::unique_ptr<SuggestWindow> suggestions_;
  // The page's last ShowAutoComplete, kept so that a service answer that comes later can
  // show the list for it; gone once the page (or a choice) hides the list.
  struct ListRequest {
    long x = 0, y = 0, width = 0, height = 0;
    std::u16string words;
    ComPtr<IDispatch> begin, changed, end;
  };
  std::optional<ListRequest> listRequest_;
  std::unique_ptr<BoxSuggestions> feed_;
  HWND startHint_ = nullptr;
};

}  // namespace brimlet::win32
