// Roles with a recording environment: which role runs, what is counted, the design
// migration, the single-instance rule and the ready box's summons.
#include "roles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "ports/trace.h"
#include "testing/local_mutex.h"
#include "protocol/summon_protocol.h"
#include "ready_box.h"
#include "testing/adapters_under_test.h"

namespace brimlet {
namespace {

class RecordingEnvironment final : public IRoleEnvironment {
 public:
  IMutexFactory& Mutexes() noexcept override { return mutexes; }
  WindowRef FindRunningWindow(Role role) noexcept override {
    log.push_back(role == Role::kSearch ? "find-search" : "find-config");
    return runningWindow;
  }
  WindowRef ForegroundWindow() noexcept override { return foreground; }
  void CloseForSecondSummon(WindowRef w) noexcept override {
    log.push_back("close " + std::to_string(w));
  }
  void HandOverForeground(WindowRef w) noexcept override {
    log.push_back("handover " + std::to_string(w));
  }
  void SetForeground(WindowRef w) noexcept override {
    log.push_back("foreground " + std::to_string(w));
  }
  std::unique_ptr<IImagingScope> StartImaging() noexcept override {
    struct Scope final : IImagingScope {
      explicit Scope(std::vector<std::string>& log) : log(log) {}
      ~Scope() override { log.push_back("imaging off"); }
      std::vector<std::string>& log;
    };
    log.push_back("imaging on");
    return std::make_unique<Scope>(log);
  }
  bool AskSwitchToNewDesign() noexcept override {
    log.push_back("ask");
    return answerYes;
  }
  void ReportBoxCreationFailed() noexcept override { log.push_back("failed-box message"); }
  int RunPageBox() noexcept override {
    log.push_back("page box");
    if (duringBox) duringBox();
    return pageResult;
  }
  int RunClassicBox() noexcept override {
    log.push_back("classic box");
    if (duringBox) duringBox();
    return classicResult;
  }
  int RunReadyBox() noexcept override {
    log.push_back("ready box");
    return readyResult;
  }
  int RunSettingsDialog() noexcept override {
    log.push_back("dialog");
    return dialogResult;
  }
  // Records whether the role's mutex was still held while its notice checks were awaited.
  void WaitForNoticeChecks() noexcept override {
    const bool searchFree = !mutexes.Create(kSearchRoleMutex).alreadyExisted;
    const bool configFree = !mutexes.Create(kConfigRoleMutex).alreadyExisted;
    log.push_back(searchFree && configFree ? "wait, mutex free" : "wait, mutex held");
  }
  void Relaunch(std::u16string_view p) noexcept override {
    log.push_back("relaunch " + std::string(p.begin(), p.end()));
  }
  void RunBackgroundJobs() noexcept override { log.push_back("jobs"); }

  LocalMutexFactory mutexes;
  WindowRef runningWindow = 0;
  WindowRef foreground = 0;
  bool answerYes = false;
  int pageResult = 7;
  int classicResult = 5;
  int dialogResult = 1;
  int readyResult = summon::kReadyExitClosed;
  std::vector<std::string> log;
  std::function<void()> duringBox;  // what other processes do while the box is open
};

class RolesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    registry_->DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
  }
  void TearDown() override { SetUp(); }
  int Run(std::u16string_view commandLine) {
    return RunRole(ParseSwitches(commandLine), settings_, env_);
  }
  bool Logged(const std::string& entry) const {
    return std::find(env_.log.begin(), env_.log.end(), entry) != env_.log.end();
  }

  std::unique_ptr<IRegistry> registry_ = testing::MakeRegistry();
  Settings settings_{*registry_};
  RecordingEnvironment env_;
};

TEST(CommandLine, SwitchesAndRolePrecedence) {
  struct Case {
    const char16_t* line;
    Role role;
  } cases[] = {
      {u"Brimlet.exe /search", Role::kSearch},
      {u"Brimlet.exe /SEARCH", Role::kSearch},
      {u"Brimlet.exe   /Search  ", Role::kSearch},
      {u"Brimlet.exe -search", Role::kNone},
      {u"Brimlet.exe search", Role::kNone},
      {u"Brimlet.exe /search /config", Role::kSearch},
      {u"Brimlet.exe /start /config", Role::kConfig},
      {u"Brimlet.exe /start", Role::kStart},
      {u"Brimlet.exe /ready", Role::kReady},
      {u"Brimlet.exe /ready /start", Role::kStart},
      {u"Brimlet.exe /READY /search", Role::kSearch},
      {u"/search", Role::kNone},  // the first token is the program, never a switch
      {u"\"C:\\Program Files\\Z /search\\Brimlet.exe\" /config", Role::kConfig},
      {u"Brimlet.exe /searchx", Role::kNone},
      {u"", Role::kNone},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChooseRole(ParseSwitches(c.line)), c.role)
        << std::char_traits<char16_t>::length(c.line);
  }
  const SwitchSet s = ParseSwitches(u"x /search /fromconfigure");
  EXPECT_TRUE(s.Contains(u"FROMCONFIGURE"));
}

TEST_F(RolesTest, FreshInstallationSwitchesToPageDesignWithoutAsking) {
  EXPECT_EQ(Run(u"B /search"), 7);
  EXPECT_FALSE(Logged("ask"));
  EXPECT_EQ(settings_.SearchBoxDesign(), 1);
  EXPECT_TRUE(settings_.SearchBoxDesignMigrated());
  EXPECT_EQ(settings_.SearchBox(), 1);
  EXPECT_EQ(settings_.SearchBoxMonthly(), 1);
  // The second start does not migrate again: a classic choice made later stays.
  settings_.SetSearchBoxDesign(0);
  EXPECT_EQ(Run(u"B /search"), 5);
  EXPECT_EQ(settings_.SearchBoxDesign(), 0);
}

TEST_F(RolesTest, UpgradedInstallationAsksOnceWhateverTheAnswer) {
  registry_->SetValue(RegistryRoot::kLocalMachine, kProductKey, u"Upgrade", reg_type::kSz, {});
  for (bool yes : {false, true}) {
    SCOPED_TRACE(yes);
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    env_.answerYes = yes;
    env_.log.clear();
    EXPECT_EQ(Run(u"B /search"), yes ? 7 : 5);
    EXPECT_TRUE(Logged("ask"));
    EXPECT_EQ(settings_.SearchBoxDesign(), yes ? 1 : 0);
    EXPECT_TRUE(settings_.SearchBoxDesignMigrated());
    env_.log.clear();
    Run(u"B /search");
    EXPECT_FALSE(Logged("ask"));
  }
}

TEST_F(RolesTest, PageBoxFailureFallsBackToClassicWithAMessage) {
  settings_.SetSearchBoxDesignMigrated(true);
  settings_.SetSearchBoxDesign(1);
  env_.pageResult = -1;
  env_.classicResult = -1;
  EXPECT_EQ(Run(u"B /search"), -1);
  EXPECT_EQ(env_.log, (std::vector<std::string>{"imaging on", "page box", "failed-box message",
                                                "classic box", "imaging off", "wait, mutex free"}));
  // The page could not show earlier in this logon: the classic box at once, no message.
  env_.pageResult = kPageBoxNotTried;
  env_.classicResult = 5;
  env_.log.clear();
  EXPECT_EQ(Run(u"B /search"), 5);
  EXPECT_EQ(env_.log, (std::vector<std::string>{"imaging on", "page box", "classic box",
                                                "imaging off", "wait, mutex free"}));
}

// Trace lines of the test, read through the trace sink.
std::vector<std::string>& TracedLines() {
  static std::vector<std::string> lines;
  return lines;
}

TEST_F(RolesTest, AnUnknownDesignOpensTheClassicBoxWithATraceAndStaysAsStored) {
  const TraceSink previous = SetTraceSink([](std::u16string_view line) noexcept {
    try {
      TracedLines().push_back(std::string(line.begin(), line.end()));
    } catch (...) {
    }
  });
  settings_.SetSearchBoxDesignMigrated(true);
  for (const int design : {2, -1, 255}) {
    settings_.SetSearchBoxDesign(design);
    env_.log.clear();
    TracedLines().clear();
    EXPECT_EQ(Run(u"B /search"), 5);
    EXPECT_EQ(env_.log, (std::vector<std::string>{"imaging on", "classic box", "imaging off",
                                                  "wait, mutex free"}));
    EXPECT_EQ(TracedLines(),
              (std::vector<std::string>{"Brimlet: unknown search box design " +
                                        std::to_string(design) + "; the classic box opens"}));
    EXPECT_EQ(settings_.SearchBoxDesign(), design);
  }
  SetTraceSink(previous);
}

TEST_F(RolesTest, FromConfigureIsNotCountedEvenAcrossAMonthlyReset) {
  settings_.SetSearchBox(10);
  settings_.SetSearchBoxMonthly(3);
  env_.duringBox = [this] { settings_.SetSearchBoxMonthly(0); };  // the monthly ping's reset
  Run(u"B /search /FROMCONFIGURE");
  EXPECT_EQ(settings_.SearchBox(), 10);
  EXPECT_EQ(settings_.SearchBoxMonthly(), 0);
  env_.duringBox = nullptr;
  Run(u"B /search");
  EXPECT_EQ(settings_.SearchBox(), 11);
  EXPECT_EQ(settings_.SearchBoxMonthly(), 1);
}

TEST_F(RolesTest, AMutexHeldByAnElevatedProcessCountsAsRunning) {
  env_.mutexes.deniedNames = {std::u16string(kSearchRoleMutex), std::u16string(kConfigRoleMutex)};
  env_.runningWindow = 0;  // its window is out of our reach as well
  EXPECT_EQ(Run(u"B /search"), 0);
  EXPECT_EQ(Run(u"B /config"), 0);
  EXPECT_EQ(env_.log, (std::vector<std::string>{"find-search", "find-config", "wait, mutex held"}));
  EXPECT_EQ(settings_.SearchBox(), 0);
  EXPECT_EQ(settings_.Configure(), 0);
}

TEST_F(RolesTest, SecondSearchStartActsOnTheRunningBox) {
  NamedMutexResult first = env_.mutexes.Create(kSearchRoleMutex);
  env_.runningWindow = 42;
  env_.foreground = 42;
  EXPECT_EQ(Run(u"B /search"), 0);
  EXPECT_TRUE(Logged("close 42"));
  env_.log.clear();
  env_.foreground = 9;
  EXPECT_EQ(Run(u"B /search"), 0);
  EXPECT_TRUE(Logged("handover 42"));
  env_.log.clear();
  env_.runningWindow = 0;  // still starting or ending: nothing to act on
  EXPECT_EQ(Run(u"B /search"), 0);
  EXPECT_EQ(env_.log, std::vector<std::string>{"find-search"});
  EXPECT_EQ(settings_.SearchBox(), 0);  // none of these counted
}

TEST_F(RolesTest, ConfigRoleCountsAndHandsBackToTheBox) {
  EXPECT_EQ(Run(u"B /config"), 1);
  EXPECT_EQ(settings_.Configure(), 1);
  EXPECT_EQ(settings_.ConfigureMonthly(), 1);
  EXPECT_FALSE(Logged("relaunch /search /FROMCONFIGURE"));

  env_.log.clear();
  EXPECT_EQ(Run(u"B /config /RUNSEARCHBOX"), 1);
  EXPECT_EQ(env_.log,
            (std::vector<std::string>{"imaging on", "dialog", "imaging off",
                                      "relaunch /search /FROMCONFIGURE", "wait, mutex free"}));

  // A dialog already open is brought forward, and the box is still reopened.
  NamedMutexResult held = env_.mutexes.Create(kConfigRoleMutex);
  env_.runningWindow = 8;
  env_.log.clear();
  EXPECT_EQ(Run(u"B /config /runsearchbox"), 0);
  EXPECT_EQ(env_.log, (std::vector<std::string>{"find-config", "foreground 8",
                                                "relaunch /search /FROMCONFIGURE",
                                                "wait, mutex held"}));  // held by this test
  EXPECT_EQ(settings_.Configure(), 2);
}

TEST_F(RolesTest, ADialogThatCouldNotOpenIsNotCounted) {
  env_.dialogResult = 0;
  EXPECT_EQ(Run(u"B /config"), 0);
  EXPECT_EQ(settings_.Configure(), 0);
  EXPECT_EQ(settings_.ConfigureMonthly(), 0);
}

// A closed box or dialog lets the next start in before its notice check has ended.
TEST_F(RolesTest, TheMutexIsReleasedBeforeTheNoticeChecksAreAwaited) {
  for (const std::u16string_view commandLine : {u"B /search", u"B /config"}) {
    env_.log.clear();
    Run(commandLine);
    EXPECT_EQ(env_.log.back(), "wait, mutex free")
        << std::string(commandLine.begin(), commandLine.end());
  }
}

TEST_F(RolesTest, StartRoleAndNoRole) {
  EXPECT_EQ(Run(u"B /start"), 0);
  EXPECT_EQ(env_.log, std::vector<std::string>{"jobs"});
  env_.log.clear();
  EXPECT_EQ(Run(u"B -search"), 0);
  EXPECT_TRUE(env_.log.empty());
}

// The prepared box's platform side, recording into the environment's log.
class FakePreparedBox final : public IPreparedBox {
 public:
  explicit FakePreparedBox(RecordingEnvironment& env) : env_(env) {}
  BoxPreparation Prepared() const noexcept override { return prepared; }
  BoxPreparation Current() const noexcept override { return current; }
  void TakeForeground() noexcept override { env_.log.push_back("foreground"); }
  bool Rebuild() noexcept override {
    env_.log.push_back("rebuild");
    if (rebuildWorks) prepared = current;
    return rebuildWorks;
  }
  void Show() noexcept override {
    // What a box shows must come with the search role's mutex held.
    const bool held = env_.mutexes.Create(kSearchRoleMutex).alreadyExisted;
    env_.log.push_back(held ? "show, mutex held" : "show, mutex free");
  }
  WindowRef Window() const noexcept override { return 77; }
  void GiveWay() noexcept override { env_.log.push_back("give way"); }

  BoxPreparation prepared;
  BoxPreparation current;
  bool rebuildWorks = true;

 private:
  RecordingEnvironment& env_;
};

class ReadyBoxTest : public RolesTest {
 protected:
  void SetUp() override {
    RolesTest::SetUp();
    settings_.SetSearchBoxDesignMigrated(true);
  }
  bool MutexFree() { return !env_.mutexes.Create(kSearchRoleMutex).alreadyExisted; }

  FakePreparedBox box_{env_};
  ReadyBoxSession session_{settings_, env_, box_};
};

TEST_F(ReadyBoxTest, WhenThePreparedWindowMayBeShown) {
  const BoxPreparation made{.design = 0,
                            .large = true,
                            .dpi = 96,
                            .dataCatalogue = {true, 100, 5},
                            .programCatalogue = {true, 50, 4}};
  struct Case {
    const char* what;
    void (*change)(BoxPreparation&, Settings&);
    ReadyShow expected;
  } cases[] = {
      {"nothing changed", [](BoxPreparation&, Settings&) {}, ReadyShow::kShow},
      {"other settings changed",
       [](BoxPreparation&, Settings& s) {
         s.SetSearchBoxTransparency(40);
         s.SetRecordSearchWords(true);
       },
       ReadyShow::kShow},
      {"large box turned off", [](BoxPreparation& n, Settings&) { n.large = false; },
       ReadyShow::kRebuild},
      {"DPI", [](BoxPreparation& n, Settings&) { n.dpi = 144; }, ReadyShow::kRebuild},
      {"a newer catalogue in the data folder",
       [](BoxPreparation& n, Settings&) { n.dataCatalogue.writeTime = 101; }, ReadyShow::kRebuild},
      {"the data folder's catalogue removed",
       [](BoxPreparation& n, Settings&) { n.dataCatalogue = {}; }, ReadyShow::kRebuild},
      {"the program's catalogue replaced",
       [](BoxPreparation& n, Settings&) { n.programCatalogue.size = 9; }, ReadyShow::kRebuild},
      {"the design changed", [](BoxPreparation& n, Settings&) { n.design = 1; },
       ReadyShow::kGiveWay},
      {"turned off", [](BoxPreparation&, Settings& s) { s.SetPrepareSearchBox(false); },
       ReadyShow::kGiveWay},
      {"the design migration is due",
       [](BoxPreparation&, Settings& s) { s.SetSearchBoxDesignMigrated(false); },
       ReadyShow::kGiveWay},
  };
  for (const Case& c : cases) {
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    settings_.SetSearchBoxDesignMigrated(true);
    BoxPreparation now = made;
    c.change(now, settings_);
    EXPECT_EQ(DecideReadyShow(made, now, settings_), c.expected) << c.what;
  }
}

TEST_F(ReadyBoxTest, ShownWhenSummonedCountedThenAndClosedOrBroughtForwardByTheNext) {
  session_.OnSummon();
  EXPECT_EQ(env_.log, (std::vector<std::string>{"foreground", "show, mutex held"}));
  EXPECT_TRUE(session_.Shown());
  EXPECT_EQ(settings_.SearchBox(), 1);
  EXPECT_EQ(settings_.SearchBoxMonthly(), 1);

  env_.log.clear();
  env_.foreground = 3;  // another program is in front
  session_.OnSummon();
  env_.foreground = 77;  // the box itself
  session_.OnSummon();
  EXPECT_EQ(env_.log, (std::vector<std::string>{"handover 77", "close 77"}));
  EXPECT_EQ(settings_.SearchBox(), 1);

  EXPECT_FALSE(MutexFree());
  session_.OnBoxClosed();
  EXPECT_TRUE(MutexFree());
}

TEST_F(ReadyBoxTest, AnotherOpenBoxIsAnsweredAndThisOneStaysReady) {
  {
    NamedMutexResult other = env_.mutexes.Create(kSearchRoleMutex);
    env_.runningWindow = 42;
    env_.foreground = 42;
    session_.OnSummon();
    EXPECT_EQ(env_.log, (std::vector<std::string>{"find-search", "close 42"}));
    EXPECT_FALSE(session_.Shown());
    EXPECT_EQ(settings_.SearchBox(), 0);
  }
  env_.log.clear();
  session_.OnSummon();  // that box has gone
  EXPECT_EQ(env_.log, (std::vector<std::string>{"foreground", "show, mutex held"}));
}

TEST_F(ReadyBoxTest, ChangesSinceThePreparationRebuildOrGiveWay) {
  box_.current.large = true;
  session_.OnSummon();
  EXPECT_EQ(env_.log, (std::vector<std::string>{"foreground", "rebuild", "show, mutex held"}));
  EXPECT_EQ(settings_.SearchBox(), 1);
  session_.OnBoxClosed();

  struct Case {
    const char* what;
    void (*change)(FakePreparedBox&, Settings&);
  } cases[] = {
      {"the window cannot be made again",
       [](FakePreparedBox& b, Settings&) {
         b.current.dpi = 192;
         b.rebuildWorks = false;
       }},
      {"the design changed", [](FakePreparedBox& b, Settings&) { b.current.design = 1; }},
      {"turned off", [](FakePreparedBox&, Settings& s) { s.SetPrepareSearchBox(false); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    settings_.SetSearchBoxDesignMigrated(true);
    FakePreparedBox box(env_);
    ReadyBoxSession session(settings_, env_, box);
    c.change(box, settings_);
    env_.log.clear();
    session.OnSummon();
    EXPECT_EQ(env_.log.back(), "give way");
    EXPECT_TRUE(session.GaveWay());
    EXPECT_FALSE(session.Shown());
    EXPECT_EQ(settings_.SearchBox(), 0);  // the cold box counts itself
    EXPECT_TRUE(MutexFree());             // and finds the mutex free
    env_.log.clear();
    session.OnSummon();  // on its way out: nothing more
    EXPECT_TRUE(env_.log.empty());
  }
}

TEST_F(ReadyBoxTest, ReadyRoleWaitsForTheFirstRunRulesOfAColdBox) {
  settings_.SetSearchBoxDesignMigrated(false);
  EXPECT_EQ(Run(u"B /ready"), summon::kReadyExitCannotPrepare);
  EXPECT_TRUE(env_.log.empty());
  EXPECT_EQ(settings_.SearchBoxDesign(), 0);  // no migration from a ready box

  settings_.SetSearchBoxDesignMigrated(true);
  EXPECT_EQ(Run(u"B /ready"), summon::kReadyExitClosed);
  EXPECT_EQ(env_.log, (std::vector<std::string>{"imaging on", "ready box", "imaging off",
                                                "wait, mutex free"}));
  EXPECT_EQ(settings_.SearchBox(), 0);  // counted only by a shown box
}

}  // namespace
}  // namespace brimlet
