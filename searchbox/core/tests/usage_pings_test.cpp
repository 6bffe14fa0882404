// The pings' due rule, address formats and the worker's sequence, with the registry adapter
// of the build and a transport that records instead of sending.
#include "usage_pings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "testing/adapters_under_test.h"
#include "testing/fake_clock.h"
#include "testing/local_mutex.h"

namespace brimlet {
namespace {

constexpr int64_t kNow = 1'800'000'000;

class RecordingTransport final : public IPingTransport {
 public:
  bool answer = true;
  std::vector<std::u16string> sent;
  bool Send(std::u16string_view address) noexcept override {
    sent.emplace_back(address);
    return answer;
  }
};

class CountingCacheBuster final : public ICacheBuster {
 public:
  uint32_t next = 500;
  uint32_t Next() noexcept override { return next++; }
};

class UsagePings : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  void Clean() {
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    registry_->DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
  }
  void SetProduct(std::u16string_view name, std::u16string_view text) {
    std::vector<std::byte> data(text.size() * 2);
    std::memcpy(data.data(), text.data(), data.size());
    ASSERT_TRUE(
        registry_->SetValue(RegistryRoot::kLocalMachine, kProductKey, name, reg_type::kSz, data));
  }
  void SetCounters() {
    settings_.SetSearchBox(11);
    settings_.SetSearch(-2);  // reported unsigned
    settings_.SetConfigure(13);
    settings_.SetKeyStroke(4);
    settings_.SetSearchBoxMonthly(1);
    settings_.SetSearchMonthly(2);
    settings_.SetConfigureMonthly(3);
    settings_.SetKeyStrokeMonthly(5);
  }
  PingOutcome Run(PingKind kind) {
    return RunPing(kind, u"http://log", kJobDelayMilliseconds,
                   PingPorts{settings_, clock_, mutexes_, transport_, cacheBuster_});
  }

  std::unique_ptr<IRegistry> registry_ = testing::MakeRegistry();
  Settings settings_{*registry_};
  FakeClock clock_{kNow, 4242};
  LocalMutexFactory mutexes_;
  RecordingTransport transport_;
  CountingCacheBuster cacheBuster_;
};

TEST_F(UsagePings, DueRule) {
  struct Case {
    const char* name;
    bool update;
    int64_t stamp;  // 0 = never
    bool due;
    int64_t stampAfter;
  } cases[] = {
      {"update off: nothing, stamp not initialised", false, 0, false, 0},
      {"first run marks the start of the period", true, 0, false, kNow},
      {"exactly 30 days", true, kNow - kPingPeriodSeconds, false, kNow - kPingPeriodSeconds},
      {"one second more", true, kNow - kPingPeriodSeconds - 1, true, kNow - kPingPeriodSeconds - 1},
      {"now", true, kNow, false, kNow},
      {"clock set back", true, kNow + 1, true, kNow + 1},
  };
  for (PingKind kind : {PingKind::kLive, PingKind::kMonthly}) {
    for (const Case& c : cases) {
      Clean();
      settings_.SetUpdate(c.update);
      if (c.stamp != 0) {
        kind == PingKind::kLive ? settings_.SetLastLiveLog(c.stamp)
                                : settings_.SetLastMonthLog(c.stamp);
      }
      EXPECT_EQ(IsPingDue(kind, settings_, clock_), c.due) << c.name;
      const uint32_t stamp =
          kind == PingKind::kLive ? settings_.LastLiveLog() : settings_.LastMonthLog();
      EXPECT_EQ(stamp, static_cast<uint32_t>(c.stampAfter)) << c.name;
    }
  }
}

TEST_F(UsagePings, AddressFormats) {
  SetProduct(u"Partner", u"AP_x-1");
  SetProduct(u"Version", u"1.6.0.28");
  SetCounters();
  EXPECT_EQ(PingAddress(u"http://log", PingKind::kLive, settings_, 77),
            u"http://log/bmb/l/v=1&l=1&p=AP_x-1&pv=1.6.0.28&cnt_sb=11&cnt_srch=4294967294&"
            u"cnt_cfg=13&cfg_kbd=4&t=77");
  EXPECT_EQ(PingAddress(u"http://log", PingKind::kMonthly, settings_, 78),
            u"http://log/bmb/l/v=1&l=2&p=AP_x-1&pv=1.6.0.28&cnt_sb=1&cnt_srch=2&cnt_cfg=3&"
            u"cfg_kbd=5&t=78");
  Clean();
  EXPECT_EQ(PingAddress(u"h", PingKind::kLive, settings_, 0),
            u"h/bmb/l/v=1&l=1&p=&pv=&cnt_sb=0&cnt_srch=0&cnt_cfg=0&cfg_kbd=0&t=0");
}

TEST_F(UsagePings, WorkerMovesStampOnlyOnSuccessAndEmptiesMonthlyCountersAlways) {
  for (bool succeeds : {true, false}) {
    for (PingKind kind : {PingKind::kLive, PingKind::kMonthly}) {
      Clean();
      transport_.sent.clear();
      transport_.answer = succeeds;
      SetCounters();
      settings_.SetLastLiveLog(5);
      settings_.SetLastMonthLog(5);
      clock_ = FakeClock{kNow, 4242};
      EXPECT_EQ(Run(kind), succeeds ? PingOutcome::kSent : PingOutcome::kFailed);
      ASSERT_EQ(transport_.sent.size(), 1u);
      EXPECT_EQ(clock_.sleptMilliseconds(), kJobDelayMilliseconds);
      const uint32_t stamp =
          kind == PingKind::kLive ? settings_.LastLiveLog() : settings_.LastMonthLog();
      // The clock moved by the three-minute delay.
      EXPECT_EQ(stamp, succeeds ? static_cast<uint32_t>(clock_.NowSeconds()) : 5u);
      const bool monthly = kind == PingKind::kMonthly;
      EXPECT_EQ(settings_.SearchBoxMonthly(), monthly ? 0 : 1);
      EXPECT_EQ(settings_.SearchMonthly(), monthly ? 0 : 2);
      EXPECT_EQ(settings_.ConfigureMonthly(), monthly ? 0 : 3);
      EXPECT_EQ(settings_.SearchBox(), 11);  // the cumulative ones never
    }
  }
}

TEST_F(UsagePings, ValuesAreReadAfterTheDelay) {
  class CountingClock final : public IClock {
   public:
    Settings* settings = nullptr;
    int64_t NowSeconds() const noexcept override { return kNow; }
    uint32_t TickCount() const noexcept override { return 9; }
    CalendarDate LocalDate(int64_t) const noexcept override { return {}; }
    void Sleep(uint32_t) noexcept override { settings->SetSearchBox(99); }
  } clock;
  clock.settings = &settings_;
  RunPing(PingKind::kLive, u"h", 1, PingPorts{settings_, clock, mutexes_, transport_, cacheBuster_});
  ASSERT_EQ(transport_.sent.size(), 1u);
  EXPECT_NE(transport_.sent[0].find(u"&cnt_sb=99&"), std::u16string::npos) << "read too early";
}

TEST_F(UsagePings, SecondWorkerOfTheSameKindDoesNothing) {
  SetCounters();
  const NamedMutexResult held = mutexes_.Create(kMonthlyPingMutex);
  EXPECT_EQ(Run(PingKind::kMonthly), PingOutcome::kAlreadyRunning);
  EXPECT_TRUE(transport_.sent.empty());
  EXPECT_EQ(settings_.SearchBoxMonthly(), 1);           // counters untouched
  EXPECT_EQ(Run(PingKind::kLive), PingOutcome::kSent);  // the other kind has its own mutex
  // A worker of another user's elevated process: the mutex may not be opened, yet it runs.
  mutexes_.deniedNames.insert(std::u16string(kLivePingMutex));
  transport_.sent.clear();
  EXPECT_EQ(Run(PingKind::kLive), PingOutcome::kAlreadyRunning);
  EXPECT_TRUE(transport_.sent.empty());
}

TEST_F(UsagePings, EveryRequestCarriesAFreshCacheBusterNotTheClock) {
  clock_ = FakeClock{kNow, 4242};
  Run(PingKind::kLive);
  Run(PingKind::kMonthly);
  ASSERT_EQ(transport_.sent.size(), 2u);
  EXPECT_NE(transport_.sent[0].find(u"&t=500"), std::u16string::npos) << "not the tick count";
  EXPECT_NE(transport_.sent[1].find(u"&t=501"), std::u16string::npos);
}

}  // namespace
}  // namespace brimlet
