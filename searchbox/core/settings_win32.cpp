#include "settings_win32.h"

#include <imm.h>
#include <shlobj.h>

#include "win32/instance_finder.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"

namespace brimlet::win32 {

ColorRef WindowTextColor() noexcept { return ::GetSysColor(COLOR_WINDOWTEXT); }

Settings& UserSettings() noexcept {
  static Win32Registry registry;
  static Settings settings(registry, &WindowTextColor);
  return settings;
}

std::u16string DataFolder() {
  // Per user: a per-machine folder would be created by whichever user came first and stay
  // writable to that user, who would then choose every other user's search engines.
  wchar_t local[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, local, CSIDL_LOCAL_APPDATA, FALSE)) return {};
  return DataFolderFrom(FromWide(local));
}

std::u16string ProgramFolder() {
  const std::wstring path = OwnModulePath();
  const size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::u16string() : FromWide(path.substr(0, slash + 1));
}

bool SaveImeState(HWND window, Settings& settings) noexcept {
  HIMC context = ::ImmGetContext(window);
  if (context == nullptr) return false;
  settings.SetImmOpenStatus(::ImmGetOpenStatus(context) != FALSE);
  DWORD conversion = 0, sentence = 0;
  if (::ImmGetConversionStatus(context, &conversion, &sentence)) {
    settings.SetImmConversionMode(static_cast<int32_t>(conversion));
    settings.SetImmSentenceMode(static_cast<int32_t>(sentence));
  }
  ::ImmReleaseContext(window, context);
  return true;
}

bool RestoreImeState(HWND window, Settings& settings) noexcept {
  HIMC context = ::ImmGetContext(window);
  if (context == nullptr) return false;
  const bool open = settings.ImmOpenStatus();
  ::ImmSetOpenStatus(context, open);
  if (open) {
    ::ImmSetConversionStatus(context, static_cast<DWORD>(settings.ImmConversionMode()),
                             static_cast<DWORD>(settings.ImmSentenceMode()));
  }
  ::ImmReleaseContext(window, context);
  return true;
}

}  // namespace brimlet::win32
