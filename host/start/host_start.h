// Whether the host runs in this process or starts itself again with the user's normal token.
// A host started elevated (by the installer, or from an elevated prompt) would hand its token
// to every box it starts, and they to the browser of every search; with a UAC split token the
// user has a normal token too, which the desktop's shell holds: the shell starts the host
// again and this process ends without installing any hook. Where the whole session runs
// elevated (UAC off) there is no other token, and the host runs as it is.
#pragma once

namespace brimlet {

// The kinds of a process's token, numbered as the platform numbers them.
enum class TokenKind {
  kUnknown = 0,  // the token could not be read
  kDefault = 1,  // no split token: UAC is off, or the user is no administrator
  kFull = 2,     // the elevated half of a split token: a normal one exists as well
  kLimited = 3,  // the normal half of a split token
};

// What the desktop's shell process runs with.
enum class ShellToken {
  kNone,  // no shell window, or its token could not be read
  kNormal,
  kElevated,
};

enum class HostStart {
  kRun,
  // Ask the shell to start this program and end at once, before taking the host's mutex.
  kRestartThroughShell,
};

// Only an unelevated shell can give the normal token: a restart through an elevated one (or
// none) would start another elevated host, and that one would restart again.
HostStart DecideHostStart(TokenKind own, ShellToken shell) noexcept;

}  // namespace brimlet
