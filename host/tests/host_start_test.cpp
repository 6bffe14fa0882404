// Which token kinds run the host and which start it again through the shell.
#include <gtest/gtest.h>

#include "start/host_start.h"

namespace brimlet {
namespace {

TEST(HostStart, OnlyAnElevatedHalfOfASplitTokenBesideANormalShellRestarts) {
  using T = TokenKind;
  using S = ShellToken;
  using H = HostStart;
  const struct Case {
    T own;
    S shell;
    H start;
  } cases[] = {
      // The installer's start, or "Run as administrator": the shell has the normal token.
      {T::kFull, S::kNormal, H::kRestartThroughShell},
      // The shell itself runs elevated, or there is none: a restart would come back elevated.
      {T::kFull, S::kElevated, H::kRun},
      {T::kFull, S::kNone, H::kRun},
      // UAC off: the session's only token is the elevated one.
      {T::kDefault, S::kElevated, H::kRun},
      {T::kDefault, S::kNormal, H::kRun},
      {T::kDefault, S::kNone, H::kRun},
      // The normal token already: the start at logon, from the Start menu, by the shell.
      {T::kLimited, S::kNormal, H::kRun},
      {T::kLimited, S::kElevated, H::kRun},
      {T::kLimited, S::kNone, H::kRun},
      // A token that cannot be read runs as before.
      {T::kUnknown, S::kNormal, H::kRun},
      {T::kUnknown, S::kElevated, H::kRun},
      {T::kUnknown, S::kNone, H::kRun},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideHostStart(c.own, c.shell), c.start)
        << "own " << static_cast<int>(c.own) << ", shell " << static_cast<int>(c.shell);
  }
}

}  // namespace
}  // namespace brimlet
