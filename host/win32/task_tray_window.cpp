#include "win32/task_tray_window.h"

#include <shellapi.h>

#include <string>

#include "menu/tray_menu.h"
#include "tessiv_ids.h"
#include "win32/about_dialog.h"
#include "win32/trace.h"
#include "win32/ui_text.h"
#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

// The structure up to its balloon fields: every shell since version 5 accepts it.
constexpr DWORD kNotifyIconDataSize = 952;
static_assert(NOTIFYICONDATAW_V2_SIZE == kNotifyIconDataSize);

NOTIFYICONDATAW IconData(HWND window) noexcept {
  NOTIFYICONDATAW data{};
  data.cbSize = kNotifyIconDataSize;
  data.hWnd = window;
  data.uID = kTrayIconId;
  return data;
}

void Insert(HMENU menu, UINT position, const TrayMenuEntry& entry) {
  const std::wstring text = ToWide(entry.text);
  switch (entry.kind) {
    case TrayMenuEntry::Kind::kSeparator:
      ::InsertMenuW(menu, position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
      break;
    case TrayMenuEntry::Kind::kItem:
      ::InsertMenuW(menu, position, MF_BYPOSITION | MF_STRING, entry.id, text.c_str());
      break;
    case TrayMenuEntry::Kind::kSubmenu: {
      UniqueHMenu submenu(::CreatePopupMenu());
      if (!submenu) return;
      UINT childPosition = 0;
      for (const TrayMenuEntry& child : entry.children)
        Insert(submenu.get(), childPosition++, child);
      // Once inserted, the submenu belongs to the menu and is destroyed with it.
      if (::InsertMenuW(menu, position, MF_BYPOSITION | MF_POPUP,
                        reinterpret_cast<UINT_PTR>(submenu.get()), text.c_str())) {
        submenu.release();
      }
      break;
    }
  }
}

}  // namespace

HWND TaskTrayWindow::Create() noexcept {
  if (!RegisterClass(instance_, kHostWindowClass, nullptr, CS_DBLCLKS)) return nullptr;
  return Window::Create(instance_, kHostWindowClass, kHostWindowTitle, 0, WS_EX_TOOLWINDOW);
}

void TaskTrayWindow::AddIcon() noexcept {
  if (!icon_) {
    // The system's small-icon size, which grows with the DPI.
    icon_.reset(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TESSIV), IMAGE_ICON,
                                                ::GetSystemMetrics(SM_CXSMICON),
                                                ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
  }
  NOTIFYICONDATAW data = IconData(hwnd());
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = trayCallbackMessage_;
  data.hIcon = icon_.get();
  // Straight into the field, cut to fit with its terminator: nothing here allocates.
  ::LoadStringW(instance_, IDS_TRAY_TIP, data.szTip, static_cast<int>(std::size(data.szTip)));
  if (::Shell_NotifyIconW(NIM_ADD, &data)) {
    data.uVersion = NOTIFYICON_VERSION;
    ::Shell_NotifyIconW(NIM_SETVERSION, &data);
    StopIconRetry();
    return;
  }
  // At logon the shell may not be ready yet: try again a few times before the host runs on
  // without its icon ("TaskbarCreated" still adds it when a shell starts later).
  if (iconRetriesLeft_ > 0) {
    --iconRetriesLeft_;
    if (::SetTimer(hwnd(), kIconRetryTimerId, kIconRetryIntervalMs, nullptr) == 0) {
      iconRetriesLeft_ = 0;
    }
  } else {
    Trace(u"Tessiv: the tray icon could not be added");
  }
}

void TaskTrayWindow::StopIconRetry() noexcept {
  ::KillTimer(hwnd(), kIconRetryTimerId);
  iconRetriesLeft_ = 0;
}

void TaskTrayWindow::DeleteIcon() noexcept {
  // The window and id name the icon; no guid was given when it was added.
  NOTIFYICONDATAW data = IconData(hwnd());
  ::Shell_NotifyIconW(NIM_DELETE, &data);
}

void TaskTrayWindow::Do(TrayAction action) {
  switch (action) {
    case TrayAction::kShowMenu:
      ShowTrayMenu();
      break;
    case TrayAction::kRestartClickTimer:
      if (clickTimer_ != static_cast<UINT_PTR>(-1)) ::KillTimer(hwnd(), kClickTimerId);
      clickTimer_ = ::SetTimer(hwnd(), kClickTimerId, ::GetDoubleClickTime() + 100, nullptr);
      if (clickTimer_ == 0) clickTimer_ = static_cast<UINT_PTR>(-1);
      break;
    case TrayAction::kRunDefaultCommands:
      gadgets_.RunDefaultCommands();
      break;
    case TrayAction::kNone:
      break;
  }
}

void TaskTrayWindow::ShowTrayMenu() {
  // A click timer firing while the menu is open must not open a second one.
  if (menuOpen_) return;
  UniqueHMenu bar(::LoadMenuW(instance_, MAKEINTRESOURCEW(IDR_TRAY_MENU)));
  HMENU popup = bar ? ::GetSubMenu(bar.get(), 0) : nullptr;
  if (popup == nullptr) return;
  POINT cursor{};
  ::GetCursorPos(&cursor);
  // Without this the menu stays open when the user clicks elsewhere.
  ::SetForegroundWindow(hwnd());

  TrayMenu model;
  if (IGadgetList* list = gadgets_.GetGadgetList()) {
    model = BuildTrayMenu(*list, FromWide(LoadResourceString(instance_, IDS_SETTINGS_ENTRY)));
  }
  UINT position = 0;
  for (const TrayMenuEntry& entry : model.entries) Insert(popup, position++, entry);

  // Set only around the call, which throws nothing: what the menu's own messages throw stops
  // at the window procedure.
  menuOpen_ = true;
  const UINT id = static_cast<UINT>(::TrackPopupMenu(popup, TPM_RETURNCMD | TPM_BOTTOMALIGN,
                                                     cursor.x, cursor.y, 0, hwnd(), nullptr));
  menuOpen_ = false;
  ::PostMessageW(hwnd(), WM_NULL, 0, 0);  // lets the next click on the icon open it again

  // Results of the gadget calls are not looked at: the gadget reports its own failures.
  const TrayChoice choice = InterpretTrayChoice(model, id);
  switch (choice.kind) {
    case TrayChoice::Kind::kCommand:
      gadgets_.ExecuteGadgetCommand(choice.guid);
      break;
    case TrayChoice::Kind::kSettings:
      gadgets_.ConfigureGadget(choice.guid);
      break;
    case TrayChoice::Kind::kOther:
      ::PostMessageW(hwnd(), WM_COMMAND, LOWORD(id), 0);
      break;
    case TrayChoice::Kind::kNone:
      break;
  }
}

bool TaskTrayWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_CREATE:
      taskbarCreatedMessage_ = ::RegisterWindowMessageW(L"TaskbarCreated");
      trayCallbackMessage_ = ::RegisterWindowMessageW(kTrayCallbackMessageName);
      // The hook posts from whatever program has the keys, a low-integrity one included.
      ::ChangeWindowMessageFilterEx(hwnd(), summon::kSummonMessage, MSGFLT_ALLOW, nullptr);
      AddIcon();
      return true;
    case WM_DESTROY:
      StopIconRetry();
      DeleteIcon();
      ::PostQuitMessage(1);
      return true;
    case WM_TIMER:
      if (wParam == kIconRetryTimerId) {
        ::KillTimer(hwnd(), kIconRetryTimerId);
        AddIcon();
        return true;
      }
      if (wParam != kClickTimerId) return false;
      ::KillTimer(hwnd(), kClickTimerId);
      clickTimer_ = static_cast<UINT_PTR>(-1);
      Do(clickRule_.OnClickTimer());
      return true;
    case WM_COMMAND:
      if (LOWORD(wParam) == ID_TRAY_EXIT) {
        // The default handling of WM_CLOSE destroys the window, which removes the icon
        // and ends the loop.
        ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
        return true;
      }
      if (LOWORD(wParam) == ID_TRAY_ABOUT) {
        if (!aboutOpen_) {
          aboutOpen_ = true;
          AboutDialog about;
          about.RunModal(instance_, IDD_ABOUT, hwnd());
          aboutOpen_ = false;
        }
        return true;
      }
      return false;
    case kHandOverMessage:
      gadgets_.RunDefaultCommands();
      return true;
    case summon::kSummonMessage:
      if (launcher_ != nullptr) launcher_->OnSummon(wParam);
      return true;
    case summon::kReadyBoxReadyMessage:
      if (launcher_ != nullptr) {
        launcher_->OnReadyReported(static_cast<DWORD>(wParam), reinterpret_cast<HWND>(lParam));
      }
      return true;
    case kBoxEndedMessage:
      if (launcher_ != nullptr) launcher_->OnBoxEnded(static_cast<DWORD>(wParam));
      return true;
    default:
      break;
  }
  if (message == trayCallbackMessage_ && message != 0) {
    Do(clickRule_.OnMouse(LOWORD(lParam)));
    return true;
  }
  if (message == taskbarCreatedMessage_ && message != 0) {
    // A restarted shell has forgotten the icon: add it again.
    StopIconRetry();
    iconRetriesLeft_ = kIconRetries;
    AddIcon();
    return true;
  }
  return false;
}

}  // namespace brimlet::win32
