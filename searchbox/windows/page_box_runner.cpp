// The search role's page-based box: the catalogue is loaded for the window, which keeps its
// own copy, and the loop runs until the box posts its quit message. A box that cannot be
// made, or whose page never shows it, gives -1 so the entry falls back to the classic box
// with its message; that costs the user the wait and the message once per logon: later
// summons in the same logon go straight to the classic box (kPageBoxNotTried).
#include "box_runners.h"

#include <windows.h>

#include <string>

#include "box_shell.h"
#include "page_box_window.h"
#include "roles.h"
#include "win32/startup_timeline.h"
#include "win32/trace.h"
#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

// A volatile key: the system forgets it at logoff, so the next logon tries the page again.
constexpr wchar_t kFailedThisLogon[] = L"PageBoxFailedThisLogon";

std::wstring SettingsKeyW() { return ToWide(kSettingsKey); }

}  // namespace

bool PageFailedThisLogon() noexcept {
  try {
    UniqueHKey marker;
    const std::wstring key = SettingsKeyW() + L"\\" + kFailedThisLogon;
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
      return false;
    }
    marker.reset(opened);
    return true;
  } catch (...) {
    return false;
  }
}

namespace {

void MarkPageFailedThisLogon() noexcept {
  try {
    // The settings key is made first as an ordinary key: created together with the volatile
    // key it would be volatile too, and the settings would go at logoff.
    HKEY created = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, SettingsKeyW().c_str(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, KEY_CREATE_SUB_KEY, nullptr, &created,
                          nullptr) != ERROR_SUCCESS) {
      return;
    }
    const UniqueHKey settings(created);
    created = nullptr;
    if (::RegCreateKeyExW(settings.get(), kFailedThisLogon, 0, nullptr, REG_OPTION_VOLATILE,
                          KEY_READ, nullptr, &created, nullptr) == ERROR_SUCCESS) {
      const UniqueHKey marker(created);
    }
  } catch (...) {
  }
}

int ShowPageBox(AppModule& module, MessageLoop& loop, Settings& settings) noexcept {
  try {
    BoxStartup().Mark(u"box");
    SearchBoxWindowEx box(module.Instance(), loop, settings);
    const ScopedMessageFilter filter(loop, &box);
    box.SetCatalogue(LoadBoxCatalogue().get());
    BoxStartup().Mark(u"catalogue");
    if (box.Create() == nullptr) {
      return -1;
    }
    const int result = loop.Run();
    return box.GaveUp() ? -1 : result;
  }
  BRIMLET_CATCH_RETURN_VALUE(-1)
}

}  // namespace

int RunPageSearchBox(AppModule& module, MessageLoop& loop, Settings& settings) noexcept {
  if (PageFailedThisLogon()) {
    Trace(u"page box: its page could not show earlier in this logon; the classic box opens");
    return kPageBoxNotTried;
  }
  const int result = ShowPageBox(module, loop, settings);
  if (result == -1) MarkPageFailedThisLogon();
  return result;
}

}  // namespace brimlet::win32
