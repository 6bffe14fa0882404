// The ready role's box: the box of the current design made in advance and hidden, and a
// message-only window that the keyboard hook and the host post their summons to. The
// process waits at the low priority the host started it with and shows nothing until a
// summon comes.
#include <windows.h>
#include <imm.h>

#include <functional>
#include <memory>

#include "box_shell.h"
#include "catalogue_reader.h"
#include "classic_box_window.h"
#include "page_box_window.h"
#include "protocol/summon_protocol.h"
#include "ready_box.h"
#include "settings_win32.h"
#include "win32/startup_timeline.h"
#include "win32/trace.h"
#include "win32/unique_resource.h"
#include "win32/wide.h"
#include "win32/window.h"
#include "box_runners.h"

namespace brimlet::win32 {
namespace {

FileStamp StampOf(const std::u16string& path) noexcept {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() || !::GetFileAttributesExW(AsWide(path), GetFileExInfoStandard, &data)) {
    return {};
  }
  return {true,
          (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
              data.ftLastWriteTime.dwLowDateTime,
          (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
}

uint32_t ScreenDpi() noexcept {
  const UniqueWindowDc screen(nullptr);
  return static_cast<uint32_t>(screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : 96);
}

// What a box made now would be made for; the files as LoadBoxCatalogue would look for them.
BoxPreparation PresentPreparation(const Settings& settings) noexcept {
  BoxPreparation now;
  now.design = settings.SearchBoxDesign();
  now.large = settings.UseLargeSearchBox();
  now.dpi = ScreenDpi();
  try {
    const std::u16string data = DataFolder();
    if (!data.empty()) now.dataCatalogue = StampOf(data + std::u16string(kCatalogueFileName));
    now.programCatalogue = StampOf(ProgramFolder() + std::u16string(kCatalogueFileName));
  }
  BRIMLET_CATCH_LOG()
  return now;
}

HWND HostWindow() noexcept {
  return ::FindWindowW(summon::kHostWindowClass, summon::kHostWindowTitle);
}

// Asks the host for a cold box and ends this process, for either design.
void GiveWayToColdBox() noexcept {
  if (HWND host = HostWindow()) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(host, &process);
    ::AllowSetForegroundWindow(process);
    ::PostMessageW(host, summon::kSummonMessage, summon::kSummonCold, 0);
  }
  ::PostQuitMessage(summon::kReadyExitGaveWay);
}

// What both designs' prepared boxes share: the preparation taken when the box was made, the
// loop's filter, and the opening at normal priority.
template <typename BoxWindow>
class PreparedBox : public IPreparedBox {
 public:
  PreparedBox(AppModule& module, MessageLoop& loop, Settings& settings) noexcept
      : module_(module), loop_(loop), settings_(settings) {}
  ~PreparedBox() override {
    if (box_) loop_.RemoveFilter(box_.get());
  }

  BoxPreparation Prepared() const noexcept override { return prepared_; }
  BoxPreparation Current() const noexcept override { return PresentPreparation(settings_); }
  void TakeForeground() noexcept override { box_->TakeForeground(); }
  void Show() noexcept override {
    BoxStartup().Mark(u"summoned");
    // Prepared at low priority; the box the user types in runs as any program does.
    ::SetPriorityClass(::GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    box_->OpenPrepared();
  }
  WindowRef Window() const noexcept override {
    return reinterpret_cast<WindowRef>(box_ ? box_->hwnd() : nullptr);
  }
  void GiveWay() noexcept override { GiveWayToColdBox(); }

 protected:
  // The box that is now prepared, in place of any earlier one (never shown, it goes silently).
  void Keep(std::unique_ptr<BoxWindow> box) noexcept {
    if (box_) loop_.RemoveFilter(box_.get());
    box_ = std::move(box);
    loop_.AddFilter(box_.get());
  }

  AppModule& module_;
  MessageLoop& loop_;
  Settings& settings_;
  BoxPreparation prepared_;
  std::unique_ptr<BoxWindow> box_;
};

class PreparedClassicBox final : public PreparedBox<SearchBoxWindow> {
 public:
  using PreparedBox::PreparedBox;

  // Makes the hidden box for the present settings and catalogue, replacing any earlier one.
  bool Make() noexcept {
    try {
      // Taken before the catalogue is read: a file written meanwhile counts as a change.
      prepared_ = PresentPreparation(settings_);
      auto box = std::make_unique<SearchBoxWindow>(module_.Instance(), settings_);
      box->SetCatalogue(LoadBoxCatalogue().get());
      box->DeferOpening();
      if (box->Create() == nullptr) return false;
      Keep(std::move(box));
      return true;
    }
    BRIMLET_CATCH_RETURN_VALUE(false)
  }
  bool Rebuild() noexcept override { return Make(); }
};

// The page-based box, its page loaded and started, held back from showing. It is ready only
// once its page has run; a page that never does (no HTML engine) gives up, and the summons
// go to cold boxes, which then show the classic box with its message once in the logon.
class PreparedPageBox final : public PreparedBox<SearchBoxWindowEx> {
 public:
  using PreparedBox::PreparedBox;

  // Makes the hidden box and starts its page; `ready` runs once the page has started.
  bool Make(std::function<void()> ready) noexcept {
    try {
      prepared_ = PresentPreparation(settings_);
      auto box = std::make_unique<SearchBoxWindowEx>(module_.Instance(), loop_, settings_);
      box->SetCatalogue(LoadBoxCatalogue().get());
      box->DeferOpening(std::move(ready));
      // The page can call in while the window is being made: the filter is in place first.
      Keep(std::move(box));
      return box_->Create() != nullptr;
    }
    BRIMLET_CATCH_RETURN_VALUE(false)
  }
  bool GaveUp() const noexcept { return box_ && box_->GaveUp(); }
  // Loading the page again takes as long as a cold box's start: that one is asked for.
  bool Rebuild() noexcept override { return false; }
};

// Found by the hook with FindWindowExW(HWND_MESSAGE, ...) by its class and title.
class SummonWindow final : public Window {
 public:
  explicit SummonWindow(ReadyBoxSession& session) noexcept : session_(session) {}
  ~SummonWindow() override {
    if (hwnd() != nullptr) ::DestroyWindow(hwnd());
  }
  HWND Create(HINSTANCE instance) noexcept {
    if (!RegisterClass(instance, summon::kReadyBoxWindowClass)) return nullptr;
    if (Window::Create(instance, summon::kReadyBoxWindowClass, summon::kReadyBoxWindowTitle, 0, 0,
                       HWND_MESSAGE, 0, 0, 0, 0) == nullptr) {
      return nullptr;
    }
    // The hook posts from whatever program has the keys, a low-integrity one included.
    ::ChangeWindowMessageFilterEx(hwnd(), summon::kSummonMessage, MSGFLT_ALLOW, nullptr);
    ::ChangeWindowMessageFilterEx(hwnd(), summon::kHeldKeyMessage, MSGFLT_ALLOW, nullptr);
    return hwnd();
  }

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept override {
    if (message == summon::kHeldKeyMessage) {
      result = 0;
      TypeHeldKey(wParam, lParam);
      return true;
    }
    if (message != summon::kSummonMessage) return false;
    result = 0;
    summonedAt_ = ::GetTickCount();
    typed_ = 0;
    session_.OnSummon();
    return true;
  }

 private:
  // A key the hook held back in the program in front, typed again as the keyboard would:
  // through the input method and the layout of this box. Anyone may post the message, so
  // only as many keys as a hook holds, only right after a summon, and only into this
  // process's own window in front.
  void TypeHeldKey(WPARAM virtualKey, LPARAM bits) noexcept {
    if (summonedAt_ == 0 || ::GetTickCount() - summonedAt_ > kHeldKeysWithinMs ||
        typed_ >= summon::kMaxHeldKeys) {
      return;
    }
    DWORD owner = 0;
    HWND front = ::GetForegroundWindow();
    if (front == nullptr || ::GetWindowThreadProcessId(front, &owner) == 0 ||
        owner != ::GetCurrentProcessId()) {
      return;
    }
    ++typed_;
    const auto flags = static_cast<uint64_t>(bits);
    const bool up = (flags >> 31) & 1;
    // Posted to the field, a key comes before those typed since, which wait as input: the
    // order holds. The input method sees only keys from the keyboard's own path, so with it
    // open the key is typed again there (after any key already waiting).
    HWND focus = ::GetFocus();
    bool imeOpen = false;
    if (HIMC context = focus != nullptr ? ::ImmGetContext(focus) : nullptr) {
      imeOpen = ::ImmGetOpenStatus(context) != FALSE;
      ::ImmReleaseContext(focus, context);
    }
    if (focus != nullptr && !imeOpen && virtualKey != VK_PROCESSKEY) {
      const bool system = (flags >> 29) & 1;  // with Alt down
      ::PostMessageW(focus, system ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN),
                     virtualKey, bits);
      return;
    }
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = static_cast<WORD>((flags >> 16) & 0xFF);
    // A key an input method took shows as VK_PROCESSKEY there: its scan code says which.
    input.ki.wVk = virtualKey == VK_PROCESSKEY ? 0 : static_cast<WORD>(virtualKey & 0xFFFF);
    input.ki.dwFlags = (input.ki.wVk == 0 ? KEYEVENTF_SCANCODE : 0) |
                       ((flags >> 24) & 1 ? KEYEVENTF_EXTENDEDKEY : 0) |
                       (up ? KEYEVENTF_KEYUP : 0);
    ::SendInput(1, &input, sizeof(input));
  }

  // The hook holds keys for that long after the double press; they may arrive a little later.
  static constexpr DWORD kHeldKeysWithinMs = 2 * summon::kHoldMilliseconds;
  ReadyBoxSession& session_;
  DWORD summonedAt_ = 0;
  uint32_t typed_ = 0;
};

}  // namespace

int RunReadySearchBox(AppModule& module, MessageLoop& loop, Settings& settings,
                      IRoleEnvironment& env) noexcept {
  try {
    // After the page failed in this logon a cold box shows the classic one: so does this.
    const bool page = settings.SearchBoxDesign() != 0 && !PageFailedThisLogon();
    PreparedClassicBox classic(module, loop, settings);
    PreparedPageBox pageBox(module, loop, settings);
    IPreparedBox& box = page ? static_cast<IPreparedBox&>(pageBox) : classic;
    ReadyBoxSession session(settings, env, box);
    int result = summon::kReadyExitCannotPrepare;
    {
      SummonWindow window(session);
      // Summons are taken, and the host told, only once the box can be shown at once.
      bool announced = false;
      auto announce = [&]() noexcept {
        BoxStartup().Mark(u"prepared");
        if (window.Create(module.Instance()) == nullptr) {
          ::PostQuitMessage(summon::kReadyExitCannotPrepare);
          return;
        }
        announced = true;
        if (HWND host = HostWindow()) {
          ::PostMessageW(host, summon::kReadyBoxReadyMessage, ::GetCurrentProcessId(),
                         reinterpret_cast<LPARAM>(window.hwnd()));
        }
      };
      if (page) {
        if (!pageBox.Make(announce)) return summon::kReadyExitCannotPrepare;
      } else {
        if (!classic.Make()) return summon::kReadyExitCannotPrepare;
        announce();
      }
      // Ends when the shown box is destroyed (it posts the quit message), at a give-way, or
      // when the page gave up before it was ready.
      result = loop.Run();
      if (!announced || pageBox.GaveUp()) result = summon::kReadyExitCannotPrepare;
    }  // the summon window goes first: the next summon finds the host or the next box
    session.OnBoxClosed();
    if (session.GaveWay()) return summon::kReadyExitGaveWay;
    return session.Shown() ? summon::kReadyExitClosed : result;
  }
  BRIMLET_CATCH_RETURN_VALUE(summon::kReadyExitCannotPrepare)
}

}  // namespace brimlet::win32
