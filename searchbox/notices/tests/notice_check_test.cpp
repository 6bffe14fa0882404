// The notice check's decisions and the worker's sequence, with the registry and XML
// adapters of the build (in memory and libxml2 natively, the real ones under Wine).
#include "notice_check.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testing/adapters_under_test.h"
#include "ports/trace.h"
#include "testing/fake_clock.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

// Seconds since 1970 (UTC); the fake clock's local time is Japan's, UTC + 9 h.
constexpr int64_t kJan31Noon = 1769828400;            // 2026-01-31 12:00 JST
constexpr int64_t kJan31BeforeMidnight = 1769871540;  // 2026-01-31 23:59 JST
constexpr int64_t kFeb1Midnight = 1769871600;         // 2026-02-01 00:00 JST
constexpr int64_t kFeb1Morning = 1769904000;          // 2026-02-01 09:00 JST
constexpr int64_t kDec31Late = 1798725600;            // 2026-12-31 23:00 JST
constexpr int64_t kJan1Morning = 1798765200;          // 2027-01-01 10:00 JST

std::vector<std::byte> Bytes(std::string_view text) {
  std::vector<std::byte> out(text.size());
  std::memcpy(out.data(), text.data(), text.size());
  return out;
}

class NoticeTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  void Clean() {
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    registry_->DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
  }
  void SetProduct(std::u16string_view name, std::u16string_view text) {
    std::vector<std::byte> data((text.size() + 1) * 2);
    std::memcpy(data.data(), text.data(), text.size() * 2);
    ASSERT_TRUE(
        registry_->SetValue(RegistryRoot::kLocalMachine, kProductKey, name, reg_type::kSz, data));
  }

  std::unique_ptr<IRegistry> registry_ = testing::MakeRegistry();
  Settings settings_{*registry_};
};

struct DueCase {
  const char* name;
  bool force;
  bool counting;
  int64_t lastNotify;  // 0 = never
  int32_t countBefore;
  int64_t now;
  bool due;
  int32_t countAfter;
};

TEST_F(NoticeTest, WhenACheckIsDue) {
  const DueCase cases[] = {
      {"first check ever", false, true, 0, 3, kJan31Noon, true, 0},
      {"31 January to 1 February is a new day", false, true, kJan31Noon, 3, kFeb1Morning, true, 0},
      {"local midnight starts the new day", false, true, kJan31BeforeMidnight, 3, kFeb1Midnight,
       true, 0},
      {"one minute before midnight is the same day", false, true, kJan31Noon, 3,
       kJan31BeforeMidnight, false, 3},
      {"31 December to 1 January is a new day", false, true, kDec31Late, 3, kJan1Morning, true, 0},
      {"same day below the limit", false, true, kJan31Noon, 2, kJan31BeforeMidnight, true, 2},
      {"fourth box of the day after three notices", false, true, kJan31Noon, 3, kJan31Noon, false,
       3},
      {"a count above the limit also stops", false, true, kJan31Noon, 7, kJan31Noon, false, 7},
      {"the dialog on a new day does not reset the count", false, false, kJan31Noon, 3,
       kFeb1Morning, true, 3},
      {"force always checks and changes nothing", true, false, kJan31Noon, 3, kJan31Noon, true, 3},
      {"force with counting changes nothing either", true, true, kJan31Noon, 3, kFeb1Morning, true,
       3},
  };
  for (const DueCase& c : cases) {
    Clean();
    FakeClock clock(c.now);
    if (c.lastNotify != 0) settings_.SetLastNotify(c.lastNotify);
    settings_.SetNotifyCount(c.countBefore);
    EXPECT_EQ(IsNoticeCheckDue(c.force, c.counting, settings_, clock), c.due) << c.name;
    EXPECT_EQ(settings_.NotifyCount(), c.countAfter) << c.name;
  }
}

TEST(NoticeDayTest, EarlierDayComparesEachPart) {
  EXPECT_TRUE(IsEarlierDay({2026, 1, 31}, {2026, 2, 1}));
  EXPECT_TRUE(IsEarlierDay({2026, 12, 31}, {2027, 1, 1}));
  EXPECT_TRUE(IsEarlierDay({2026, 3, 4}, {2026, 3, 5}));
  EXPECT_FALSE(IsEarlierDay({2026, 3, 5}, {2026, 3, 5}));
  EXPECT_FALSE(IsEarlierDay({2026, 3, 6}, {2026, 3, 5}));
  // A stored day after today (the clock was set back) is not an earlier day.
  EXPECT_FALSE(IsEarlierDay({2027, 1, 1}, {2026, 12, 31}));
  EXPECT_FALSE(IsEarlierDay({2026, 4, 1}, {2026, 3, 20}));
}

struct RangeCase {
  std::u16string min;
  std::u16string max;
  std::u16string installed;
  bool applies;
};

TEST(NoticeRangeTest, InstalledVersionWithinTheBounds) {
  const RangeCase cases[] = {
      {u"1.6.0.0", u"1.6.0.28", u"1.6.0.28", true},
      {u"1.6.0.0", u"1.6.0.28", u"1.6.0.29", false},
      {u"1.6.0.0", u"1.6.0.28", u"1.6.0.0", true},
      {u"1.6.0.0", u"1.6.0.28", u"1.5.65535.65535", false},
      {u"", u"1.6.0.28", u"", true},  // no "Version": installed counts as 0
      {u"", u"1.6.0.28", u"1.7", false},
      {u"1.6", u"", u"1.6.0.1", true},
      {u"1.6", u"", u"1.5.9", false},
      {u"", u"", u"1.6.0.28", false},
      {u"", u"", u"", false},
      {u"1.x.0.0", u"1.0.0.5", u"1.0.0.3", true},  // non-numeric parts count as 0
      {u"2.0", u"1.0", u"1.5", false},             // an empty range
  };
  for (const RangeCase& c : cases) {
    EXPECT_EQ(NoticeApplies(c.min, c.max, ParseVersionNumber(c.installed)), c.applies)
        << Utf16ToUtf8(c.min) << " .. " << Utf16ToUtf8(c.max) << " for "
        << Utf16ToUtf8(c.installed);
  }
}

TEST(NoticeAddressTest, PartnerFileAndCacheBuster) {
  EXPECT_EQ(NoticeAddress(u"http://dl.example", u"AP1", 4294967295u),
            u"http://dl.example/pub/bmb/AP1/notify.xml?t=4294967295");
  EXPECT_EQ(NoticeAddress(u"https://dl.example", u"AP1", 7, u".sig"),
            u"https://dl.example/pub/bmb/AP1/notify.xml.sig?t=7");
}

TEST(NoticeLinkTest, OnlyTheOperatorsHostsMayBeLinked) {
  struct Case {
    const char16_t* address;
    const char16_t* host;
    bool allowed;
  } cases[] = {
      {u"https://dl.example/new.html", u"http://dl.example", true},
      {u"http://DL.Example:8080/new", u"https://dl.example", true},  // any scheme, any port
      {u"https://dl.example", u"http://dl.example:81", true},
      {u"https://dl.example?x", u"http://dl.example", true},
      {u"https://help.example/x", u"http://dl.example", false},
      {u"https://dl.example.evil.example/", u"http://dl.example", false},
      {u"https://evil.example/dl.example", u"http://dl.example", false},
      {u"https://dl.example@evil.example/", u"http://dl.example", false},
      {u"https://user@dl.example/", u"http://dl.example", false},
      {u"ftp://dl.example/", u"http://dl.example", false},
      {u"file://dl.example/setup.exe", u"http://dl.example", false},
      {u"https://dl.example\\@evil.example/", u"http://dl.example", false},
      {u"https:///x", u"http://dl.example", false},
      {u"https://dl.example/", u"", false},
      {u"http://[::1]:8080/", u"http://[::1]", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsLinkOnHost(c.address, c.host), c.allowed)
        << Utf16ToUtf8(c.address) << " on " << Utf16ToUtf8(c.host);
  }
}

// A source that answers from memory and records what it was asked: the notice, and its
// statement for the ".sig" address.
class CannedSource final : public INoticeSource {
 public:
  std::optional<std::vector<std::byte>> body;
  std::optional<std::vector<std::byte>> statement;
  std::vector<std::u16string> asked;
  std::vector<size_t> limits;
  std::optional<std::vector<std::byte>> Fetch(std::u16string_view address,
                                              size_t maxBytes) noexcept override {
    asked.emplace_back(address);
    limits.push_back(maxBytes);
    return address.find(u"notify.xml.sig?") != std::u16string_view::npos ? statement : body;
  }
};

class CountingCacheBuster final : public ICacheBuster {
 public:
  uint32_t next = 900;
  uint32_t Next() noexcept override { return next++; }
};

// Every digest is 0x77...; a signature verifies while `valid`.
class FakeVerifier final : public ISignatureVerifier {
 public:
  bool valid = true;
  std::optional<std::array<std::byte, 32>> Sha256(std::span<const std::byte>) noexcept override {
    std::array<std::byte, 32> digest{};
    digest.fill(std::byte{0x77});
    return digest;
  }
  bool Verify(std::span<const std::byte>, const std::array<std::byte, 64>&) noexcept override {
    return valid;
  }
};

std::vector<std::u16string> traced;
void RecordTrace(std::u16string_view line) noexcept { traced.emplace_back(line); }

struct Recorded {
  int notices = 0;
  int noNotices = 0;
  std::u16string label, description, address;
};

void RecordNotice(void* context, const std::u16string& label, const std::u16string& description,
                  const std::u16string& address) noexcept {
  auto* r = static_cast<Recorded*>(context);
  ++r->notices;
  r->label = label;
  r->description = description;
  r->address = address;
}
void RecordNoNotice(void* context) noexcept { ++static_cast<Recorded*>(context)->noNotices; }

std::string NoticeFile(std::string_view min, std::string_view max, std::string_view url) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<notify>\n";
  if (!min.empty()) xml += "  <ver_min>" + std::string(min) + "</ver_min>\n";
  if (!max.empty()) xml += "  <ver_max>" + std::string(max) + "</ver_max>\n";
  xml += "  <label>新しいバージョンがあります</label>\n";
  xml += "  <description>ブリムレットボックス 1.7</description>\n";
  xml += "  <url>" + std::string(url) + "</url>\n</notify>\n";
  return xml;
}

class NoticeWorkerTest : public NoticeTest {
 protected:
  void SetUp() override {
    NoticeTest::SetUp();
    SetProduct(u"Partner", u"AP1");
    SetProduct(u"Version", u"1.6.0.28");
    request_.counting = true;
    request_.context = &recorded_;
    request_.onNotice = RecordNotice;
    request_.onNoNotice = RecordNoNotice;
    request_.host = u"http://dl.example";
    request_.helpHost = u"https://help.example";
    traced.clear();
    previousSink_ = SetTraceSink(&RecordTrace);
  }
  void TearDown() override {
    SetTraceSink(previousSink_);
    NoticeTest::TearDown();
  }
  NoticeOutcome Run() {
    return RunNoticeCheck(request_, NoticeCheckPorts{settings_, clock_, *mutexes_, source_, *parser_,
                                                     cacheBuster_, policy_});
  }

  FakeClock clock_{kFeb1Morning, 123456};
  std::unique_ptr<IMutexFactory> mutexes_ = testing::MakeMutexFactory();
  std::unique_ptr<IXmlParser> parser_ = testing::MakeXmlParser();
  CannedSource source_;
  Recorded recorded_;
  NoticeRequest request_;
  CountingCacheBuster cacheBuster_;
  FakeVerifier verifier_;
  // The rules of the notice file itself are tested as a build for local tests takes them;
  // the signature's own test below requires one.
  SignaturePolicy policy_{nullptr, true};
  TraceSink previousSink_ = nullptr;
};

TEST_F(NoticeWorkerTest, ApplicableNoticeReachesTheNoticeCallback) {
  source_.body = Bytes(NoticeFile("1.6.0.0", "1.6.0.28", "http://dl.example/new.html"));
  settings_.SetNotifyCount(1);
  EXPECT_EQ(Run(), NoticeOutcome::kNotice);
  EXPECT_EQ(recorded_.notices, 1);
  EXPECT_EQ(recorded_.noNotices, 0);
  EXPECT_EQ(recorded_.label, u"新しいバージョンがあります");
  EXPECT_EQ(recorded_.description, u"ブリムレットボックス 1.7");
  EXPECT_EQ(recorded_.address, u"http://dl.example/new.html");
  ASSERT_EQ(source_.asked.size(), 1u);
  EXPECT_EQ(source_.asked[0], u"http://dl.example/pub/bmb/AP1/notify.xml?t=900");
  EXPECT_EQ(source_.limits[0], kMaxNoticeBytes);
  EXPECT_EQ(settings_.LastNotify(), static_cast<uint32_t>(kFeb1Morning));
  EXPECT_EQ(settings_.NotifyCount(), 1);  // the box's callback counts, not the worker
}

struct NoNoticeCase {
  const char* name;
  std::optional<std::string> body;
  std::u16string version;  // empty: no "Version"
};

TEST_F(NoticeWorkerTest, EveryWayOfHavingNoNoticeReachesTheNoNoticeCallback) {
  const NoNoticeCase cases[] = {
      {"version above the range", NoticeFile("1.6.0.0", "1.6.0.28", "http://a.example/"),
       u"1.6.0.29"},
      {"both bounds empty", NoticeFile("", "", "http://a.example/"), u"1.6.0.28"},
      {"the request failed", std::nullopt, u"1.6.0.28"},
      {"not XML", std::string("<html><body>Service Unavailable"), u"1.6.0.28"},
      {"another root element", std::string("<notice><ver_max>9</ver_max></notice>"), u"1.0"},
      {"address is a program", NoticeFile("", "1.6.0.28", "C:\\Windows\\System32\\calc.exe"),
       u"1.6.0.28"},
      {"address is a file address", NoticeFile("", "1.6.0.28", "file:///C:/setup.exe"),
       u"1.6.0.28"},
      {"address is a bare program name", NoticeFile("", "1.6.0.28", "calc"), u"1.6.0.28"},
      {"address missing", NoticeFile("", "1.6.0.28", ""), u"1.6.0.28"},
      {"address on another host", NoticeFile("", "1.6.0.28", "https://evil.example/"),
       u"1.6.0.28"},
  };
  for (const NoNoticeCase& c : cases) {
    recorded_ = {};
    if (c.version.empty()) {
      registry_->DeleteValue(RegistryRoot::kLocalMachine, kProductKey, u"Version");
    } else {
      SetProduct(u"Version", c.version);
    }
    source_.body.reset();
    if (c.body) source_.body = Bytes(*c.body);
    EXPECT_EQ(Run(), NoticeOutcome::kNoNotice) << c.name;
    EXPECT_EQ(recorded_.notices, 0) << c.name;
    EXPECT_EQ(recorded_.noNotices, 1) << c.name;
  }
}

TEST_F(NoticeWorkerTest, TheHelpHostMayBeLinkedAndAForeignLinkIsTraced) {
  source_.body = Bytes(NoticeFile("1.0", "", "https://help.example/brimlet"));
  EXPECT_EQ(Run(), NoticeOutcome::kNotice);
  source_.body = Bytes(NoticeFile("1.0", "", "https://elsewhere.example/brimlet"));
  EXPECT_EQ(Run(), NoticeOutcome::kNoNotice);
  ASSERT_EQ(traced.size(), 1u);
  EXPECT_NE(traced[0].find(u"notice refused: its link"), std::u16string::npos);
}

std::vector<std::byte> Statement(std::string_view purpose, std::string_view partner) {
  return Bytes("brimlet-signature 1\nfor " + std::string(purpose) + "\npartner " +
               std::string(partner) + "\n" +
               (purpose == "catalogue" ? "version 1.0\n" : "") + "sha256 " +
               std::string(64, '7') + "\necdsa-p256 3006020101020101\n");
}

TEST_F(NoticeWorkerTest, ASignedBuildShowsOnlyNoticesItsKeySignedForThisPartner) {
  policy_ = SignaturePolicy{&verifier_, false};
  source_.body = Bytes(NoticeFile("1.0", "", "http://dl.example/"));
  struct Case {
    const char* name;
    std::optional<std::vector<std::byte>> statement;
    bool valid;
    bool shown;
  } cases[] = {
      {"signed", Statement("notice", "AP1"), true, true},
      {"unsigned", std::nullopt, true, false},
      {"wrongly signed", Statement("notice", "AP1"), false, false},
      {"another partner's", Statement("notice", "AP2"), true, false},
      {"a catalogue's statement", Statement("catalogue", "AP1"), true, false},
      {"malformed", Bytes("brimlet-signature 1\n"), true, false},
  };
  for (const Case& c : cases) {
    recorded_ = {};
    traced.clear();
    source_.asked.clear();
    source_.limits.clear();
    source_.statement = c.statement;
    verifier_.valid = c.valid;
    EXPECT_EQ(Run(), c.shown ? NoticeOutcome::kNotice : NoticeOutcome::kNoNotice) << c.name;
    EXPECT_EQ(recorded_.notices, c.shown ? 1 : 0) << c.name;
    EXPECT_EQ(traced.size(), c.shown ? 0u : 1u) << c.name;
    ASSERT_EQ(source_.asked.size(), 2u) << c.name;
    EXPECT_EQ(source_.asked[1].substr(0, source_.asked[1].find(u'?')),
              u"http://dl.example/pub/bmb/AP1/notify.xml.sig");
    EXPECT_EQ(source_.limits[1], kMaxStatementBytes);
  }
  // A build without a key shows nothing, and says so.
  policy_ = SignaturePolicy{nullptr, false};
  source_.statement = Statement("notice", "AP1");
  EXPECT_EQ(Run(), NoticeOutcome::kNoNotice);
  ASSERT_FALSE(traced.empty());
  EXPECT_NE(traced.back().find(u"no key"), std::u16string::npos);
}

TEST_F(NoticeWorkerTest, OnlyAnUpperBoundAndNoVersionApplies) {
  registry_->DeleteValue(RegistryRoot::kLocalMachine, kProductKey, u"Version");
  source_.body = Bytes(NoticeFile("", "1.6.0.28", "https://dl.example/new"));
  EXPECT_EQ(Run(), NoticeOutcome::kNotice);
  EXPECT_EQ(recorded_.address, u"https://dl.example/new");
}

TEST_F(NoticeWorkerTest, NoticeWithEmptyLabelStillCountsAsDelivered) {
  source_.body = Bytes("<notify><ver_min>1.0</ver_min><url>http://dl.example/x</url></notify>");
  EXPECT_EQ(Run(), NoticeOutcome::kNotice);
  EXPECT_EQ(recorded_.notices, 1);
  EXPECT_EQ(recorded_.label, u"");
  EXPECT_EQ(recorded_.noNotices, 0);
}

TEST_F(NoticeWorkerTest, WithoutAPartnerNoRequestIsMade) {
  registry_->DeleteValue(RegistryRoot::kLocalMachine, kProductKey, u"Partner");
  source_.body = Bytes(NoticeFile("1.0", "", "http://dl.example/"));
  EXPECT_EQ(Run(), NoticeOutcome::kNoNotice);
  EXPECT_TRUE(source_.asked.empty());
  EXPECT_EQ(recorded_.noNotices, 1);
  EXPECT_EQ(settings_.LastNotify(), static_cast<uint32_t>(kFeb1Morning));
}

TEST_F(NoticeWorkerTest, TheDialogsCheckLeavesTheDailyValuesAlone) {
  request_.counting = false;
  settings_.SetNotifyCount(2);
  source_.body = Bytes(NoticeFile("1.0", "", "http://dl.example/"));
  EXPECT_EQ(Run(), NoticeOutcome::kNotice);
  EXPECT_EQ(settings_.LastNotify(), 0u);
  EXPECT_EQ(settings_.NotifyCount(), 2);
}

TEST_F(NoticeWorkerTest, ACheckAlreadyRunningEndsSilently) {
  const NamedMutexResult held = mutexes_->Create(kNoticeMutexName);
  ASSERT_TRUE(held.handle);
  source_.body = Bytes(NoticeFile("1.0", "", "http://dl.example/"));
  EXPECT_EQ(Run(), NoticeOutcome::kAlreadyRunning);
  EXPECT_TRUE(source_.asked.empty());
  EXPECT_EQ(recorded_.notices + recorded_.noNotices, 0);
  EXPECT_EQ(settings_.LastNotify(), 0u);
}

TEST_F(NoticeWorkerTest, AbsentCallbacksAreSkipped) {
  request_.onNotice = nullptr;
  request_.onNoNotice = nullptr;
  source_.body = Bytes(NoticeFile("1.0", "", "http://dl.example/"));
  EXPECT_EQ(Run(), NoticeOutcome::kNotice);
  source_.body.reset();
  EXPECT_EQ(Run(), NoticeOutcome::kNoNotice);
}

}  // namespace
}  // namespace brimlet
