// Drives a running Tessiv.exe's tray menu from scripts, as a user would with the mouse:
//   tray_poke menu    opens the menu (the icon's context-menu message) and waits for it
//   tray_poke settings opens the menu and its "設定" submenu (the second entry)
//   tray_poke configure chooses the submenu's first gadget: its settings dialog opens
//   tray_poke about   opens the menu and chooses "バージョン情報..."
//   tray_poke close   closes an open menu or about box
//   tray_poke exit    opens the menu and chooses "終了(&X)"
// Exits with 0 when the host's window and the menu were found, 1 otherwise.
#include <windows.h>

#include <string>

namespace {

HWND WaitForWindow(const wchar_t* className, const wchar_t* title) {
  for (int i = 0; i < 200; ++i) {
    HWND window = ::FindWindowW(className, title);
    if (window != nullptr && ::IsWindowVisible(window)) return window;
    ::Sleep(50);
  }
  return nullptr;
}

HWND OpenMenu() {
  HWND host = ::FindWindowW(L"Zelvo_Gadget_WndClass", L"Zelvo Gadget");
  if (host == nullptr) return nullptr;
  const UINT callback = ::RegisterWindowMessageW(L"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30003}");
  ::PostMessageW(host, callback, 100, WM_CONTEXTMENU);
  return WaitForWindow(L"#32768", nullptr);
}

void Press(HWND window, WPARAM key) { ::PostMessageW(window, WM_KEYDOWN, key, 0); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring what = argc > 1 ? argv[1] : L"";
  if (what == L"close") {
    // Escape closes one level: a submenu first, then the menu.
    for (int i = 0; i < 20; ++i) {
      HWND menu = ::FindWindowW(L"#32768", nullptr);
      if (menu == nullptr || !::IsWindowVisible(menu)) break;
      Press(menu, VK_ESCAPE);
      ::Sleep(100);
    }
    if (HWND about = ::FindWindowW(L"#32770", L"Zelvo ブリムレットボックスについて")) {
      ::PostMessageW(about, WM_COMMAND, IDOK, 0);
    }
    return 0;
  }
  HWND menu = OpenMenu();
  if (menu == nullptr) return 1;
  if (what == L"about") {
    // From no selection, Up reaches the last entry; separators are skipped.
    Press(menu, VK_UP);
    Press(menu, VK_UP);
    Press(menu, VK_RETURN);
    return WaitForWindow(L"#32770", L"Zelvo ブリムレットボックスについて") ? 0 : 1;
  }
  if (what == L"settings" || what == L"configure") {
    Press(menu, VK_DOWN);
    Press(menu, VK_DOWN);
    Press(menu, VK_RIGHT);
  }
  if (what == L"configure") {
    // The submenu's first entry: the search box gadget's settings.
    ::Sleep(300);
    Press(menu, VK_RETURN);
  }
  if (what == L"exit") {
    Press(menu, VK_UP);
    Press(menu, VK_RETURN);
  }
  return 0;
}
