// The page-based box's window: creation, its messages, dragging, deactivation and the
// first-run hint. What the page asks of it is in page_box_script.cpp.
#include "page_box_window.h"

#include <commctrl.h>
#include <windowsx.h>
#include <mshtml.h>

#include <algorithm>

#include "../../resources/brimlet_ids.h"
#include "box_shell.h"
#include "external_dispatch.h"
#include "page_box_initializer.h"
#include "page_contract.h"
#include "page_source.h"
#include "placement_win32.h"
#include "settings_win32.h"
#include "box_search.h"
#include "win32/startup_timeline.h"
#include "win32/trace.h"
#include "win32/ui_text.h"
#include "win32/wide.h"
#include "window_shape_win32.h"

namespace brimlet::win32 {
namespace {

constexpr wchar_t kClassName[] = L"SearchBoxWindowEx";
constexpr int kAcceleratorTable = 202;
constexpr WORD kShowEngineMenuCommand = 32777;
// DPI_AWARE: the control's zoom is then the page's scale (the page is drawn for 96 DPI and
// the box sets the zoom for its monitor); without it the control applies the system DPI on
// its own terms, pictures and text alike or not.
constexpr DWORD kDocHostFlags = DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_NO3DBORDER |
                                DOCHOSTUIFLAG_SCROLL_NO | DOCHOSTUIFLAG_DPI_AWARE;
constexpr DWORD kStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED;

bool IsSelfOrDescendant(HWND self, HWND other) noexcept {
  return other != nullptr && (other == self || ::IsChild(self, other));
}

}  // namespace

SearchBoxWindowEx::SearchBoxWindowEx(HINSTANCE module, MessageLoop& loop, Settings& settings,
                                     PageShowTimeouts timeouts) noexcept
    : module_(module), loop_(loop), settings_(settings), timeouts_(timeouts) {}

SearchBoxWindowEx::~SearchBoxWindowEx() {
  if (hwnd() != nullptr) {
    created_ = false;  // a box torn down from outside must not end the caller's loop
    ::DestroyWindow(hwnd());
  }
}

IDispatch* SearchBoxWindowEx::ScriptObject() const noexcept {
  return static_cast<IDispatch*>(external_.get());
}

ComPtr<IWebBrowser2> SearchBoxWindowEx::Browser() const noexcept {
  return host_ ? host_->Browser() : ComPtr<IWebBrowser2>();
}

HWND SearchBoxWindowEx::Create() noexcept {
  accelerators_.reset(::LoadAcceleratorsW(module_, MAKEINTRESOURCEW(kAcceleratorTable)));
  if (deferred_) {
    // The history and the start engine rule (which may store "LastSearchEngine") wait for
    // the opening; until then the catalogue's default.
    if (const SearchEngineList* catalogue = session_.Catalogue()) {
      session_.Choose(catalogue->GetDefault());
    }
  } else {
    session_.Open();
    session_.ChooseStartEngine();
  }

  std::optional<WindowShape> shape;
  try {
    skinFolder_ = SkinFolder(ProgramFolder(), settings_.UseLargeSearchBox());
    shape = LoadWindowShape(skinFolder_ + u"background.png");
  }
  BRIMLET_CATCH_LOG()
  if (!shape) {
    Trace(u"page box: no background picture or no shape in " + skinFolder_);
    return nullptr;
  }
  pictureWidth_ = shape->width;
  pictureHeight_ = shape->height;
  RECT rect{0, 0, shape->width, shape->height};
  const bool restore = settings_.RestoreLastWindowPos() && settings_.HasLastWindowPos();
  if (restore) ::OffsetRect(&rect, settings_.LastWindowPosLeft(), settings_.LastWindowPosTop());

  if (!RegisterClass(module_, kClassName, nullptr, CS_DROPSHADOW, nullptr)) return nullptr;
  // A box made in advance gets its title when it opens: until then no search for the running
  // box (by class and title) takes it for one.
  std::wstring title;
  try {
    if (!deferred_) title = LoadResourceString(module_, IDS_BOX_TITLE);
  }
  BRIMLET_CATCH_LOG()
  if (Window::Create(module_, kClassName, title.c_str(), kStyle, kExStyle, nullptr, rect.left,
                     rect.top, rect.right - rect.left, rect.bottom - rect.top) == nullptr) {
    return nullptr;
  }
  ::SetWindowRgn(hwnd(), static_cast<HRGN>(shape->region.release()), TRUE);
  // Drawn for 96 DPI: on a denser monitor the box, its shape and its page are scaled up.
  if (const uint32_t dpi = WindowDpi(hwnd()); dpi != dpi_ && !ApplyDpi(dpi)) {
    Trace(u"page box: no shape at the monitor's DPI; the box keeps its picture's size");
  }
  PlaceOnOpening(restore);
  // A box whose page can never show it must not sit invisible holding the search role:
  // without a browser, a page loader or a navigation it is destroyed and the entry falls
  // back to the classic box.
  if (!StartPage()) {
    ::DestroyWindow(hwnd());
    return nullptr;
  }
  ApplyOpacity(hwnd(), settings_.SearchBoxTransparency());
  if (!deferred_) BringToForeground(hwnd());
  ::SetTimer(hwnd(), kShowTimer, timeouts_.fromCreationMs, nullptr);
  created_ = true;
  return hwnd();
}

void SearchBoxWindowEx::PlaceOnOpening(bool restore) noexcept {
  RECT current{};
  if (!::GetWindowRect(hwnd(), &current)) return;
  const int32_t width = current.right - current.left;
  const int32_t height = current.bottom - current.top;
  POINT cursor{};
  std::optional<MonitorAreas> cursorMonitor;
  if (::GetCursorPos(&cursor)) cursorMonitor = MonitorNearPoint(cursor);
  const Rect screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  const Rect centring = CentringArea(cursorMonitor, screen.right, screen.bottom);
  std::optional<Point> corner;
  if (restore) corner = Point{current.left, current.top};
  // The work area of the monitor the box would land on (a remembered one may be gone).
  const Rect landing = restore ? ToRect(current) : CentreOn(ToRect(current), centring);
  const std::optional<MonitorAreas> monitor = MonitorNearRect(landing);
  const Rect target =
      PageBoxOpeningRect(width, height, corner, centring, monitor ? monitor->work : screen);
  ::SetWindowPos(hwnd(), nullptr, target.left, target.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool SearchBoxWindowEx::ApplyDpi(uint32_t dpi) noexcept {
  const int32_t width = ScaleForDpi(pictureWidth_, dpi);
  const int32_t height = ScaleForDpi(pictureHeight_, dpi);
  std::optional<WindowShape> shape;
  try {
    const std::u16string picture = skinFolder_ + u"background.png";
    shape = width == pictureWidth_ && height == pictureHeight_
                ? LoadWindowShape(picture)
                : LoadScaledWindowShape(picture, width, height);
  }
  BRIMLET_CATCH_LOG()
  if (!shape) return false;
  RECT current{};
  ::GetWindowRect(hwnd(), &current);
  ::SetWindowPos(hwnd(), nullptr, current.left, current.top, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  ::SetWindowRgn(hwnd(), static_cast<HRGN>(shape->region.release()), TRUE);
  dpi_ = dpi;
  ApplyZoom();
  return true;
}

void SearchBoxWindowEx::ApplyZoom() noexcept {
  // The zoom belongs to the document shown: it is set again when the page completes.
  if (!host_ || !pageComplete_) return;
  if (FAILED(host_->SetZoom(PageZoomPercent(dpi_))))
    Trace(u"page box: the page's zoom was refused");
}

bool SearchBoxWindowEx::OnCreate() noexcept {
  try {
    mailbox_ = NoticeMailbox::Create(hwnd(), kNoticeMessage, BoxNoticePolicy());
    if (settings_.SearchSuggestions()) {
      feed_ = std::make_unique<BoxSuggestions>(hwnd(), kSuggestionMessage, kSuggestionTimer);
    }
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
  host_ = BrowserHost::Create(hwnd(), this);
  if (!host_) return false;
  host_->SetHostFlags(kDocHostFlags, 0);
  const HRESULT hr = host_->CreateControl(CLSID_WebBrowser);
  if (FAILED(hr)) {
    Trace(u"page box: no browser control");
    return false;
  }
  return true;
}

bool SearchBoxWindowEx::StartPage() noexcept {
  external_ = ExternalDispatch::Create(this);
  if (!external_ || !host_) return false;
  host_->SetExternal(ScriptObject());
  ComPtr<IWebBrowser2> browser = host_->Browser();
  if (!browser) {
    Trace(u"page box: the control is no browser");
    return false;
  }
  {
    ComPtr<IDispatch> application;
    browser->get_Application(application.put());
  }
  try {
    initializer_ = BrowserInitializer::Connect(browser.get(), module_, skinFolder_, this);
  }
  BRIMLET_CATCH_LOG()
  if (!initializer_) {
    Trace(u"page box: no connection to the browser's events");
    return false;
  }
  UniqueBstr blank(::SysAllocString(L"about:blank"));
  VARIANT empty;
  ::VariantInit(&empty);
  if (!blank || FAILED(browser->Navigate(blank.get(), &empty, &empty, &empty, &empty))) {
    Trace(u"page box: about:blank was refused");
    return false;
  }
  BoxStartup().Mark(u"navigating");
  BoxStartup().Report(u"page box start-up");
  return true;
}

bool SearchBoxWindowEx::PreTranslateMessage(MSG& msg) noexcept {
  const bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
  const bool mouse = msg.message >= WM_MOUSEFIRST && msg.message <= WM_XBUTTONDBLCLK;
  if (hwnd() == nullptr || (!key && !mouse)) return false;
  if (accelerators_ && ::TranslateAcceleratorW(hwnd(), accelerators_.get(), &msg)) return true;
  if (!IsSelfOrDescendant(hwnd(), msg.hwnd)) return false;
  return ::SendMessageW(hwnd(), kForwardMessage, 0, reinterpret_cast<LPARAM>(&msg)) != 0;
}

bool SearchBoxWindowEx::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result) noexcept {
  switch (message) {
    case WM_CREATE:
      result = OnCreate() ? 0 : -1;
      return true;
    case WM_SIZE:
      if (host_) host_->FitToWindow();
      return false;
    case kForwardMessage:
      result =
          host_ && lParam != 0 && host_->TranslateThroughControl(*reinterpret_cast<MSG*>(lParam));
      return true;
    case WM_CLOSE:
      if (settings_.RememberImeState()) SaveImeState(DocumentWindow(), settings_);
      if (!settings_.RunOnce()) settings_.SetRunOnce(true);
      RemoveStartHint();
      ::DestroyWindow(hwnd());
      result = 0;
      return true;
    case WM_DESTROY:
      OnDestroy();
      return false;
    case WM_TIMER:
      if (wParam == kSuggestionTimer && feed_) {
        try {
          feed_->OnTimer(RequestTarget(), !CanShowAutoComplete());
        }
        BRIMLET_CATCH_LOG()
        result = 0;
        return true;
      }
      if (wParam != kShowTimer) return false;
      ::KillTimer(hwnd(), kShowTimer);
      if (!shown_ && !pageReady_) {
        Trace(u"page box: the page never showed the box; giving up");
        gaveUp_ = true;
        ::DestroyWindow(hwnd());
      }
      return true;
    case WM_ACTIVATE:
      if (!OnActivate(LOWORD(wParam), reinterpret_cast<HWND>(lParam))) return false;
      result = 0;
      return true;
    case WM_SETFOCUS:
      // The box itself has the focus, so it is not in the page: after a click in the
      // completion list, a second summon, Alt+Tab or the pin alike it goes to the field.
      GiveFocusToPage();
      return false;
    case WM_DPICHANGED: {
      // Moved onto a monitor of another DPI: the box is redrawn for it where the system says.
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      if (suggested != nullptr) {
        ::SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      ApplyDpi(LOWORD(wParam));
      result = 0;
      return true;
    }
    case WM_MOUSEWHEEL:
      if (LOWORD(wParam) != 0 || !rotateHandler_) return false;
      RaiseRotateSearchService(rotateHandler_.get(), GET_WHEEL_DELTA_WPARAM(wParam) < 0);
      result = 0;
      return true;
    case WM_MOUSEMOVE:
      if (!dragging_) return false;
      OnMouseMove(lParam);
      result = 0;
      return true;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      if (dragging_) EndDrag();
      return false;
    case kNoticeMessage:
      RaiseUpdateNotify(wParam);
      result = 0;
      return true;
    case kSuggestionMessage:
      if (feed_ && feed_->OnAnswer(wParam) && listRequest_) {
        std::u16string ignored;  // an answer never completes the page's field
        ShowList(ignored);
      }
      result = 0;
      return true;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        if (SuggestionsVisible()) {
          HideAutoComplete();
        } else {
          ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
        }
        result = 0;
        return true;
      }
      if (LOWORD(wParam) == kShowEngineMenuCommand) {
        RaiseShowSearchServiceMenu(showMenuHandler_.get());
        result = 0;
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool SearchBoxWindowEx::OnActivate(WORD state, HWND other) noexcept {
  const HWND list = suggestions_ ? suggestions_->hwnd() : nullptr;
  if (suggestions_ && other != list) HideAutoComplete();
  if (state == WA_ACTIVE && !settings_.RunOnce() && !settings_.HasUpgrade()) ShowStartHint();
  const bool listInTheWay = suggestions_ && (list == nullptr || ::IsWindowVisible(list));
  if (!session_.ClosesOnDeactivation(state == WA_INACTIVE, other == hwnd()) || listInTheWay) {
    return false;
  }
  // The very first box stays open when it loses activation, so its hint can be read.
  if (settings_.RunOnce()) ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
  return true;
}

void SearchBoxWindowEx::DoDragWindow() noexcept {
  HideAutoComplete();
  ::SetCapture(hwnd());
  dragging_ = true;
  ::GetCursorPos(&dragCursor_);
  ::GetWindowRect(hwnd(), &dragRect_);
}

void SearchBoxWindowEx::OnMouseMove(LPARAM position) noexcept {
  // Where the message says the mouse was (the captured box's client coordinates), not where
  // it is by now.
  POINT cursor{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  ::ClientToScreen(hwnd(), &cursor);
  RECT rect = dragRect_;
  ::OffsetRect(&rect, cursor.x - dragCursor_.x, cursor.y - dragCursor_.y);
  if (session_.SnapsWhileDragging((::GetKeyState(VK_SHIFT) & 0x8000) != 0)) {
    SnapWindowRect(hwnd(), rect);
  }
  ::MoveWindow(hwnd(), rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void SearchBoxWindowEx::EndDrag() noexcept {
  dragging_ = false;
  ::ReleaseCapture();
  ::RedrawWindow(hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void SearchBoxWindowEx::OnDestroy() noexcept {
  RECT rect{};
  if (::GetWindowRect(hwnd(), &rect)) {
    settings_.SetLastWindowPosLeft(rect.left);
    settings_.SetLastWindowPosTop(rect.top);
  }
  ::KillTimer(hwnd(), kShowTimer);
  RemoveStartHint();
  if (mailbox_) mailbox_->Forget();
  if (feed_) feed_->Stop();
  listRequest_.reset();
  // Nothing the page, the browser or the loader still holds may reach the box from here on.
  if (initializer_) initializer_->Disconnect();
  initializer_.reset();
  if (external_) external_->Disconnect();
  if (host_) host_->Close();
  host_.reset();
  showMenuHandler_.reset();
  rotateHandler_.reset();
  updateNotifyHandler_.reset();
}

void SearchBoxWindowEx::OnFinalMessage() noexcept {
  accelerators_.reset();
  session_.ReleaseCatalogue();
  // The notice threads only reach the mailbox: the process, not the box, waits for them.
  if (created_) ::PostQuitMessage(0);
}

void SearchBoxWindowEx::ShowStartHint() noexcept {
  if (startHint_ != nullptr) return;
  startHint_ = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(),
                                 nullptr, module_, nullptr);
  if (startHint_ == nullptr) return;
  ::SetWindowPos(startHint_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  try {
    std::wstring text = LoadResourceString(module_, IDS_FIRST_RUN_TIP);
    const std::wstring heading = LoadResourceString(module_, IDS_FIRST_RUN_TIP_TITLE);
    TTTOOLINFOW tool{sizeof(tool)};
    tool.uFlags =
        TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT | TTF_PARSELINKS | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
    tool.lpszText = text.data();
    ::SendMessageW(startHint_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    RECT tip{};
    ::GetWindowRect(startHint_, &tip);
    RECT box{};
    ::GetWindowRect(hwnd(), &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    // Twice the balloon's own width, but never narrower than the box: a balloon not yet
    // shown can report a width of almost nothing, which broke the text into single letters.
    ::SendMessageW(startHint_, TTM_SETMAXTIPWIDTH, 0,
                   std::max<LONG>((tip.right - tip.left) * 2, width));
    ::SendMessageW(startHint_, TTM_SETTITLEW, TTI_INFO, reinterpret_cast<LPARAM>(heading.c_str()));
    ::SendMessageW(startHint_, TTM_TRACKPOSITION, 0,
                   MAKELPARAM(box.left + (width / 10) * 2, box.top + height / 2));
    ::SendMessageW(startHint_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    // Above the topmost box it points into.
    ::SetWindowPos(startHint_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  BRIMLET_CATCH_LOG()
}

void SearchBoxWindowEx::RemoveStartHint() noexcept {
  if (startHint_ == nullptr) return;
  TTTOOLINFOW tool{sizeof(tool)};
  tool.hwnd = hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
  ::SendMessageW(startHint_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
  ::DestroyWindow(startHint_);
  startHint_ = nullptr;
}

void SearchBoxWindowEx::GiveFocusToPage() noexcept {
  HWND target = DocumentWindow();
  // Before the document has a window of its own, the control's innermost window takes it;
  // the document's window is that window once it exists.
  if (target == nullptr) {
    for (HWND child = ::GetWindow(hwnd(), GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_CHILD)) {
      target = child;
    }
  }
  if (target != nullptr && target != ::GetFocus()) ::SetFocus(target);
}

void SearchBoxWindowEx::OnBrowserReady() noexcept {
  // The slow part is over: from here the page has its short while to show the box.
  if (!shown_ && !pageReady_ && hwnd() != nullptr)
    ::SetTimer(hwnd(), kShowTimer, timeouts_.afterBrowserReadyMs, nullptr);
}

void SearchBoxWindowEx::OnPageComplete() noexcept {
  pageComplete_ = true;
  ApplyZoom();
}

void SearchBoxWindowEx::OnNewWindow(std::u16string_view url) noexcept {
  // Only the notice link opens anything, and then the notice's own address, through the
  // gate that lets web addresses alone reach the shell.
  try {
    if (session_.HasNotice() && IsNoticeRequest(url, session_.CurrentNotice().address)) {
      session_.OpenNotice();
    }
  }
  BRIMLET_CATCH_LOG()
}

bool SearchBoxWindowEx::MayHaveExternal() noexcept {
  return initializer_ && host_ && initializer_->ShowsThePage(host_->Browser().get());
}

HWND SearchBoxWindowEx::DocumentWindow() const noexcept {
  if (!host_) return nullptr;
  ComPtr<IWebBrowser2> browser = host_->Browser();
  ComPtr<IDispatch> document;
  if (!browser || FAILED(browser->get_Document(document.put())) || !document) return nullptr;
  ComPtr<IOleWindow> window;
  HWND found = nullptr;
  if (SUCCEEDED(document->QueryInterface(IID_IOleWindow, window.put_void()))) {
    window->GetWindow(&found);
  }
  return found;
}

HRESULT SearchBoxWindowEx::ShowContextMenu(DWORD, POINT, IUnknown* target) noexcept {
  // The input element's interface, so the browser's edit menu is offered over text fields.
  static constexpr IID kInputTextElement = {
      0x3050F2A6, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
  if (target == nullptr) return S_OK;
  ComPtr<IUnknown> input;
  if (SUCCEEDED(target->QueryInterface(kInputTextElement, input.put_void()))) return S_FALSE;
  return S_OK;
}

}  // namespace brimlet::win32
