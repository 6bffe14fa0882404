#include "ready_box.h"

namespace brimlet {

ReadyShow DecideReadyShow(const BoxPreparation& prepared, const BoxPreparation& now,
                          const Settings& settings) noexcept {
  // Turned off since: the user wants no waiting process, and this one ends after the box.
  if (!settings.PrepareSearchBox()) return ReadyShow::kGiveWay;
  // The design migration may ask a question or switch the design: a cold box runs it.
  if (!settings.SearchBoxDesignMigrated()) return ReadyShow::kGiveWay;
  if (now.design != prepared.design) return ReadyShow::kGiveWay;
  if (now != prepared) return ReadyShow::kRebuild;
  return ReadyShow::kShow;
}

void ReadyBoxSession::OnSummon() noexcept {
  if (gaveWay_) return;
  if (shown_) {
    // A double press while this box is open: as a second start of the search role would.
    const WindowRef box = box_.Window();
    if (box == env_.ForegroundWindow()) {
      env_.CloseForSecondSummon(box);
    } else {
      env_.HandOverForeground(box);
    }
    return;
  }
  NamedMutexResult mutex = env_.Mutexes().Create(kSearchRoleMutex);
  if (mutex.alreadyExisted) {
    // Another box is open (started by hand, or the settings dialog's hand-back): it closes
    // or comes forward, and this one stays ready for the next summon.
    AnswerSecondSummon(env_);
    return;
  }
  // Before anything that reads the registry or the disk: the user may be typing already.
  // Should a cold box be needed after all, it takes the foreground from here.
  box_.TakeForeground();
  switch (DecideReadyShow(box_.Prepared(), box_.Current(), settings_)) {
    case ReadyShow::kGiveWay:
      gaveWay_ = true;
      box_.GiveWay();
      return;  // the mutex goes before the cold box looks for it
    case ReadyShow::kRebuild:
      if (!box_.Rebuild()) {
        gaveWay_ = true;
        box_.GiveWay();
        return;
      }
      break;
    case ReadyShow::kShow:
      break;
  }
  // Counted when shown, as a cold start counts its box; never while it only waited.
  settings_.SetSearchBox(settings_.SearchBox() + 1);
  settings_.SetSearchBoxMonthly(settings_.SearchBoxMonthly() + 1);
  mutex_ = std::move(mutex);
  shown_ = true;
  box_.Show();
}

void ReadyBoxSession::OnBoxClosed() noexcept { mutex_.handle.reset(); }

}  // namespace brimlet
