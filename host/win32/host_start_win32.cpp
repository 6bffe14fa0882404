#include "win32/host_start_win32.h"

#include <windows.h>

#include "win32/instance_finder.h"
#include "win32/shell_start.h"
#include "win32/trace.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {
namespace {

static_assert(static_cast<int>(TokenKind::kDefault) == TokenElevationTypeDefault &&
              static_cast<int>(TokenKind::kFull) == TokenElevationTypeFull &&
              static_cast<int>(TokenKind::kLimited) == TokenElevationTypeLimited);

}  // namespace

TokenKind OwnTokenKind() noexcept {
  UniqueHandle token;
  TOKEN_ELEVATION_TYPE type{};
  DWORD size = 0;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()) ||
      !::GetTokenInformation(token.get(), TokenElevationType, &type, sizeof(type), &size)) {
    return TokenKind::kUnknown;
  }
  switch (type) {
    case TokenElevationTypeDefault:
    case TokenElevationTypeFull:
    case TokenElevationTypeLimited:
      return static_cast<TokenKind>(type);
    default:
      return TokenKind::kUnknown;
  }
}

ShellToken DesktopShellToken() noexcept {
  DWORD processId = 0;
  HWND shell = ::GetShellWindow();
  if (shell == nullptr || ::GetWindowThreadProcessId(shell, &processId) == 0) {
    return ShellToken::kNone;
  }
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  UniqueHandle token;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!process || !::OpenProcessToken(process.get(), TOKEN_QUERY, token.put()) ||
      !::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size)) {
    return ShellToken::kNone;
  }
  return elevation.TokenIsElevated ? ShellToken::kElevated : ShellToken::kNormal;
}

bool RestartThroughShell() noexcept {
  try {
    const std::wstring program = OwnModulePath();
    if (program.empty() ||
        !StartThroughDesktopShell(program, L"", program.substr(0, program.find_last_of(L'\\')))) {
      Trace(u"Tessiv: the host could not start itself again with the user's normal token");
      return false;
    }
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

}  // namespace brimlet::win32
