#include "box_supply.h"

namespace brimlet {

BoxActions BoxSupply::StartReadyIfIdle(bool prepare) noexcept {
  BoxActions actions;
  if (!prepare || blocked_ || ready_ != Ready::kNone || coldBoxes_ > 0) return actions;
  ready_ = Ready::kPreparing;
  actions.startReady = true;
  return actions;
}

BoxActions BoxSupply::OnHostStarted(bool prepare) noexcept { return StartReadyIfIdle(prepare); }

BoxActions BoxSupply::OnSummon(bool prepare, bool cold) noexcept {
  BoxActions actions;
  if (!prepare && ready_ != Ready::kNone) {
    // Turned off while one waited: the user asked for no waiting process.
    actions.endReady = true;
    ready_ = Ready::kNone;
  }
  // A ready box also answers a summon while it is shown (it closes or comes forward).
  if (prepare && !cold && ready_ == Ready::kReady) {
    actions.showReady = true;
    return actions;
  }
  actions.startCold = true;
  ++coldBoxes_;
  return actions;
}

void BoxSupply::OnReadyReported() noexcept {
  if (ready_ == Ready::kPreparing) ready_ = Ready::kReady;
}

BoxActions BoxSupply::OnReadyEnded(ReadyBoxEnd how, bool prepare) noexcept {
  const bool wasReady = ready_ == Ready::kReady;
  ready_ = Ready::kNone;
  switch (how) {
    case ReadyBoxEnd::kClosedAfterShow:
      unexpectedEnds_ = 0;
      return StartReadyIfIdle(prepare);
    case ReadyBoxEnd::kGaveWay:
      // The cold box it asked for comes first; the next ready box follows its close.
      return {};
    case ReadyBoxEnd::kCannotPrepare:
      blocked_ = true;
      return {};
    case ReadyBoxEnd::kUnexpected:
      if (!wasReady || ++unexpectedEnds_ >= kMaxUnexpectedEnds) {
        blocked_ = true;
        return {};
      }
      return StartReadyIfIdle(prepare);
  }
  return {};
}

BoxActions BoxSupply::OnColdEnded(bool prepare) noexcept {
  if (coldBoxes_ > 0) --coldBoxes_;
  if (coldBoxes_ == 0) {
    blocked_ = false;
    unexpectedEnds_ = 0;
  }
  return StartReadyIfIdle(prepare);
}

}  // namespace brimlet
