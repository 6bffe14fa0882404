// How the host supplies search boxes: it keeps one box process prepared in advance (the
// ready box), shows it on a summon, starts a new box process (a cold box) when none is
// ready, and prepares the next one only once no box it started is on screen, so that the
// preparation never competes with the box the user is typing in.
#pragma once

#include <cstdint>

namespace brimlet {

// How a ready box process ended, from its exit code.
enum class ReadyBoxEnd {
  kClosedAfterShow,  // it was shown and the user closed it
  kGaveWay,          // it could not show what a cold box would show now: a cold box follows
  kCannotPrepare,    // its design cannot be prepared here (a page that never completes)
  kUnexpected,       // anything else: it crashed or was ended
};

struct BoxActions {
  bool endReady = false;    // end the waiting ready box (the setting was turned off)
  bool showReady = false;   // post the summon to the ready box
  bool startCold = false;   // start a box process that shows its box at once
  bool startReady = false;  // start a box process that prepares itself and waits
  bool operator==(const BoxActions&) const = default;
};

class BoxSupply {
 public:
  // A ready box that ended unexpectedly this many times in a row is not replaced again
  // until a cold box has been shown and closed.
  static constexpr int kMaxUnexpectedEnds = 3;

  // `prepare` is the setting's value at the moment of each event.
  BoxActions OnHostStarted(bool prepare) noexcept;
  // `cold` when a ready box gave way and asks for a cold box.
  BoxActions OnSummon(bool prepare, bool cold) noexcept;
  // The ready process has its window and can be shown.
  void OnReadyReported() noexcept;
  BoxActions OnReadyEnded(ReadyBoxEnd how, bool prepare) noexcept;
  BoxActions OnColdEnded(bool prepare) noexcept;

  bool HasReadyProcess() const noexcept { return ready_ != Ready::kNone; }
  bool IsReady() const noexcept { return ready_ == Ready::kReady; }
  int ColdBoxes() const noexcept { return coldBoxes_; }

 private:
  enum class Ready { kNone, kPreparing, kReady };
  BoxActions StartReadyIfIdle(bool prepare) noexcept;

  Ready ready_ = Ready::kNone;
  int coldBoxes_ = 0;
  // Set when a ready box could not get ready (or kept dying): no new one until a cold box
  // closes, so a design that cannot be prepared costs one attempt per summon, not a loop.
  bool blocked_ = false;
  int unexpectedEnds_ = 0;
};

}  // namespace brimlet
