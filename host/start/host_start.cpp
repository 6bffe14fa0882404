#include "start/host_start.h"

namespace brimlet {

HostStart DecideHostStart(TokenKind own, ShellToken shell) noexcept {
  return own == TokenKind::kFull && shell == ShellToken::kNormal ? HostStart::kRestartThroughShell
                                                                 : HostStart::kRun;
}

}  // namespace brimlet
