#include "roles.h"

#include <string>

#include "protocol/summon_protocol.h"
#include "ports/trace.h"

namespace brimlet {

int RunRole(const SwitchSet& switches, Settings& settings, IRoleEnvironment& env) noexcept {
  switch (ChooseRole(switches)) {
    case Role::kSearch:
      return RunSearchRole(switches.Contains(u"FROMCONFIGURE"), settings, env);
    case Role::kConfig: {
      const int result = RunConfigRole(settings, env);
      // Also when an open dialog was only brought forward: the box asked for the hand-over.
      if (switches.Contains(u"RUNSEARCHBOX")) env.Relaunch(u"/search /FROMCONFIGURE");
      // The reopened box need not wait for the dialog's update check to end.
      env.WaitForNoticeChecks();
      return result;
    }
    case Role::kStart:
      env.RunBackgroundJobs();
      return 0;
    case Role::kReady:
      return RunReadyRole(settings, env);
    case Role::kNone:
      break;
  }
  return 0;
}

int RunSearchRole(bool fromConfigure, Settings& settings, IRoleEnvironment& env) noexcept {
  NamedMutexResult mutex = env.Mutexes().Create(kSearchRoleMutex);
  if (mutex.alreadyExisted) {
    AnswerSecondSummon(env);
    return 0;
  }
  // A reopen after the settings dialog is not a new use of the box. It is not counted at
  // all: counting and taking back later would leave -1 if a monthly reset ran in between.
  if (!fromConfigure) {
    settings.SetSearchBox(settings.SearchBox() + 1);
    settings.SetSearchBoxMonthly(settings.SearchBoxMonthly() + 1);
  }
  int result = 0;
  {
    const auto imaging = env.StartImaging();
    result = RunBox(settings, env);
  }
  // The box is gone: the next summon may open a new one while its notice check ends.
  mutex.handle.reset();
  env.WaitForNoticeChecks();
  return result;
}

void AnswerSecondSummon(IRoleEnvironment& env) noexcept {
  if (const WindowRef running = env.FindRunningWindow(Role::kSearch)) {
    if (running == env.ForegroundWindow()) {
      env.CloseForSecondSummon(running);
    } else {
      env.HandOverForeground(running);
    }
  }
}

int RunReadyRole(Settings& settings, IRoleEnvironment& env) noexcept {
  // The first-run rules may ask a question or switch the design: a cold box runs them.
  if (!settings.SearchBoxDesignMigrated()) return summon::kReadyExitCannotPrepare;
  int result = 0;
  {
    const auto imaging = env.StartImaging();
    result = env.RunReadyBox();
  }
  // Its box is gone and the mutex with it; the notice check of a shown box may still end.
  env.WaitForNoticeChecks();
  return result;
}

int RunBox(Settings& settings, IRoleEnvironment& env) noexcept {
  int design = settings.SearchBoxDesign();
  if (settings.HasUpgrade()) {
    if (!settings.SearchBoxDesignMigrated() && design != 1) {
      if (env.AskSwitchToNewDesign()) {
        design = 1;
        settings.SetSearchBoxDesign(1);
      }
      settings.SetSearchBoxDesignMigrated(true);
    }
  } else if (!settings.SearchBoxDesignMigrated()) {
    design = 1;
    settings.SetSearchBoxDesign(1);
    settings.SetSearchBoxDesignMigrated(true);
  }

  if (design == 1) {
    const int result = env.RunPageBox();
    if (result == kPageBoxNotTried) return env.RunClassicBox();
    if (result != -1) return result;
    env.ReportBoxCreationFailed();
    return env.RunClassicBox();
  }
  // A damaged value still opens a box; the value itself is left for the settings dialog.
  if (design != 0) {
    const std::string number = std::to_string(design);
    Trace(u"Brimlet: unknown search box design " + std::u16string(number.begin(), number.end()) +
          u"; the classic box opens");
  }
  return env.RunClassicBox();
}

int RunConfigRole(Settings& settings, IRoleEnvironment& env) noexcept {
  NamedMutexResult mutex = env.Mutexes().Create(kConfigRoleMutex);
  if (mutex.alreadyExisted) {
    if (const WindowRef running = env.FindRunningWindow(Role::kConfig)) {
      env.SetForeground(running);
    }
    return 0;
  }
  const auto imaging = env.StartImaging();
  const int result = env.RunSettingsDialog();
  // Counted only when a dialog opened: it ends its loop with 1, a failed creation gives 0.
  if (result != 0) {
    settings.SetConfigure(settings.Configure() + 1);
    settings.SetConfigureMonthly(settings.ConfigureMonthly() + 1);
  }
  return result;  // the mutex goes here, before RunRole waits for the update check
}

}  // namespace brimlet
