// The catalogue update's decisions: due rule, address, entry names and version comparison,
// with the file and XML adapters of the build.
#include "catalogue_update.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "testing/adapters_under_test.h"

namespace brimlet {
namespace {

constexpr int64_t kNow = 1'800'000'000;
const std::string kFormat = "{4f2a7c10-8b3d-4e61-9a55-c0d1e2f30021}";  // case does not matter

TEST(CatalogueUpdate, DueRule) {
  struct Case {
    int64_t last;
    bool due;
  } cases[] = {
      {0, true},
      {kNow - kCatalogueUpdatePeriodSeconds, false},
      {kNow - kCatalogueUpdatePeriodSeconds - 1, true},
      {kNow, false},
      {kNow + 3600, true},  // stored time in the future
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsCatalogueUpdateDue(static_cast<uint32_t>(c.last), kNow), c.due) << c.last;
  }
}

TEST(CatalogueUpdate, AddressCarriesTheCacheBuster) {
  EXPECT_EQ(CatalogueCabinetAddress(u"http://dl", u"ptn", 12),
            u"http://dl/pub/bmb/ptn/def_srch_engn.cab?t=12");
  EXPECT_EQ(CatalogueCabinetAddress(u"https://dl", u"", 4294967295u, u".sig"),
            u"https://dl/pub/bmb//def_srch_engn.cab.sig?t=4294967295");
}

TEST(CatalogueUpdate, EntryNames) {
  for (std::u16string_view good :
       {u"def_srch_engn.xml", u"image\\a.png", u"image\\web_blue.PNG", u"image\\a-b.c.ico",
        u"image\\x.gif", u"image\\x.Bmp", u"image\\CONSOLE.png", u"image\\COM10.png",
        u"image\\com0.png", u"image\\123456789012345678901234567890123456789012345678901234.png"}) {
    EXPECT_TRUE(IsAllowedCabinetEntryName(good)) << std::filesystem::path(good).string();
  }
  for (std::u16string_view bad :
       {u"", u"DEF_SRCH_ENGN.XML", u"def_srch_engn.xml.bak", u"readme.txt", u"image\\a.exe",
        u"image\\a", u"image\\.png", u"image\\a.", u"image\\sub\\a.png", u"image/a.png",
        u"image\\\\a.png", u"..\\a.png", u"image\\..\\a.png", u"\\image\\a.png",
        u"C:\\image\\a.png", u"image\\a.png:stream", u"image\\a b.png", u"image\\a\tb.png",
        u"image\\ウェブ.png", u"image\\CON.png", u"image\\nul.png", u"image\\Aux.ico",
        u"image\\prn.tar.gif", u"image\\COM1.png", u"image\\lpt9.bmp", u"image\\NUL",
        u"image\\1234567890123456789012345678901234567890123456789012345.png",
        u"def_srch_engn.xml\\a.png", u"images\\a.png", u"Image\\a.png"}) {
    EXPECT_FALSE(IsAllowedCabinetEntryName(bad)) << std::filesystem::path(bad).string();
  }
}

TEST(CatalogueUpdate, DeviceNames) {
  for (std::u16string_view device : {u"CON", u"prn", u"Aux", u"nUl", u"COM1", u"com9", u"LPT1",
                                     u"lpt5"}) {
    EXPECT_TRUE(IsDeviceName(device)) << std::filesystem::path(device).string();
  }
  for (std::u16string_view plain : {u"", u"CO", u"CONS", u"COM", u"COM0", u"COM10", u"LPT",
                                    u"NULL", u"AUX1"}) {
    EXPECT_FALSE(IsDeviceName(plain)) << std::filesystem::path(plain).string();
  }
}

TEST(CatalogueUpdate, CabinetBudgetRefusesTheFirstEntryPastABound) {
  {
    CabinetBudget budget;
    for (size_t i = 0; i < kMaxCabinetEntries; ++i) {
      ASSERT_EQ(budget.Admit(u"image\\a.png", 1), EntryVerdict::kAccepted) << i;
    }
    EXPECT_EQ(budget.Admit(u"image\\a.png", 1), EntryVerdict::kTooManyEntries);
  }
  {
    CabinetBudget budget;
    EXPECT_EQ(budget.Admit(u"def_srch_engn.xml", kMaxCabinetEntryBytes), EntryVerdict::kAccepted);
    EXPECT_EQ(budget.Admit(u"image\\a.png", kMaxCabinetEntryBytes + 1),
              EntryVerdict::kEntryTooLarge);
  }
  {
    CabinetBudget budget;
    for (int i = 0; i < 4; ++i) {
      ASSERT_EQ(budget.Admit(u"image\\a.png", kMaxCabinetEntryBytes), EntryVerdict::kAccepted);
    }
    EXPECT_EQ(budget.Admit(u"image\\b.png", 1), EntryVerdict::kTotalTooLarge);
  }
  {
    CabinetBudget budget;
    EXPECT_EQ(budget.Admit(u"image\\NUL.png", 1), EntryVerdict::kNameRefused);
    EXPECT_EQ(budget.Admit(u"..\\..\\evl.png", 1), EntryVerdict::kNameRefused);
  }
}

TEST(CatalogueUpdate, ExtractionFolderLengthIsChecked) {
  EXPECT_EQ(ExtractionFolderPath(u"C:\\Temp\\", 42), u"C:\\Temp\\_926_42");
  // The folder, a separator, the longest entry name and the terminator fill 260 exactly.
  const size_t room = 260 - 1 - kMaxCabinetEntryNameLength - 1 - std::u16string(u"_926_7").size();
  const std::u16string fits = u"C:\\" + std::u16string(room - 4, u'a') + u"\\";
  ASSERT_EQ(fits.size(), room);
  const auto folder = ExtractionFolderPath(fits, 7);
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder->size() + 1 + kMaxCabinetEntryNameLength + 1, 260u);
  EXPECT_FALSE(ExtractionFolderPath(u"C:\\a" + fits.substr(3), 7));  // one character longer
}

TEST(CatalogueUpdate, StaleLeftovers) {
  struct Case {
    const char16_t* name;
    bool isFolder;
    int64_t age;
    bool stale;
  } cases[] = {
      {u"TFR1A2B.tmp", false, kStaleLeftoverSeconds + 1, true},
      {u"tfr1a2b.tmp", false, kStaleLeftoverSeconds + 1, true},
      {u"TFR1A2B.tmp", false, kStaleLeftoverSeconds, false},  // a day old is not yet stale
      {u"_926_123", true, 10 * kStaleLeftoverSeconds, true},
      {u"_926_123", false, 10 * kStaleLeftoverSeconds, false},   // a file of that name
      {u"TFR1A2B.tmp", true, 10 * kStaleLeftoverSeconds, false},  // a folder of that name
      {u"TFR", false, 10 * kStaleLeftoverSeconds, false},
      {u"other.tmp", false, 10 * kStaleLeftoverSeconds, false},
      {u"TFR1.tmp", false, -5, false},  // written in the future
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsStaleLeftover(c.name, c.isFolder, c.age), c.stale)
        << std::filesystem::path(c.name).string() << " " << c.age;
  }
}

std::string Engine(const std::string& guid) {
  return "<search_engine><guid>" + guid + "</guid><name>N</name><host>https://h</host>"
         "<path>/s?</path><parameters><p><type>2</type><key>q</key></p></parameters>"
         "</search_engine>";
}

std::string Catalogue(const std::string& version, const std::string& format = kFormat,
                      const std::string& body = Engine("g1"), const std::string& defaultGuid = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><search_engines><version>" + version +
         "</version><format>" + format + "</format><default_search_engine>" + defaultGuid +
         "</default_search_engine>" + body + "</search_engines>";
}

std::span<const std::byte> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::byte*>(text.data()), text.size()};
}

TEST(CatalogueUpdate, CandidateMustReadWithAnEngineCarryTheSignedVersionAndBeNewer) {
  const VersionNumber v12 = ParseVersionNumber(u"1.2");
  struct Case {
    const char* name;
    std::string text;
    std::optional<VersionNumber> signedVersion;
    VersionNumber floor;
    CandidateVerdict verdict;
  } cases[] = {
      {"newer", Catalogue("1.2.0.1"), std::nullopt, v12, CandidateVerdict::kAccepted},
      {"newer and signed", Catalogue("1.2.0.1"), ParseVersionNumber(u"1.2.0.1"), v12,
       CandidateVerdict::kAccepted},
      {"same version", Catalogue("1.2"), std::nullopt, v12, CandidateVerdict::kNotNewer},
      {"older", Catalogue("1.1.9"), std::nullopt, v12, CandidateVerdict::kNotNewer},
      {"not XML", "PK\x03\x04 not xml", std::nullopt, 0, CandidateVerdict::kNotACatalogue},
      {"no root", "<catalogue/>", std::nullopt, 0, CandidateVerdict::kNotACatalogue},
      {"another format", Catalogue("2.0", "{0}"), std::nullopt, v12,
       CandidateVerdict::kForeignFormat},
      {"no engine", Catalogue("2.0", kFormat, ""), std::nullopt, v12, CandidateVerdict::kNoEngine},
      {"only broken engines", Catalogue("2.0", kFormat, "<search_engine><guid>x</guid>"
                                                        "</search_engine>"),
       std::nullopt, v12, CandidateVerdict::kNoEngine},
      {"default engine missing", Catalogue("2.0", kFormat, Engine("g1"), "g2"), std::nullopt, v12,
       CandidateVerdict::kNoDefaultEngine},
      {"default engine present", Catalogue("2.0", kFormat, Engine("g1") + Engine("g2"), "G2"),
       std::nullopt, v12, CandidateVerdict::kAccepted},
      {"signed for another version", Catalogue("2.0"), ParseVersionNumber(u"2.0.0.1"), v12,
       CandidateVerdict::kVersionNotSigned},
      {"the highest possible version once installed",
       Catalogue("65535.65535.65535.65535"), std::nullopt, ~VersionNumber{0},
       CandidateVerdict::kNotNewer},
  };
  auto parser = testing::MakeXmlParser();
  for (const Case& c : cases) {
    const CandidateCheck check = CheckCandidateCatalogue(*parser, Bytes(c.text), c.signedVersion,
                                                         c.floor);
    EXPECT_EQ(check.verdict, c.verdict) << c.name;
    EXPECT_FALSE(DescribeCandidate(check.verdict).empty()) << c.name;
  }
}

class CatalogueInUse : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::u16string scratch = testing::ScratchFolder();
    const char16_t separator = scratch.back();
    data_ = scratch + u"d" + separator;
    program_ = scratch + u"p" + separator;
    for (auto* folder : {&data_, &program_}) {
      std::filesystem::create_directories(std::filesystem::path(*folder));
      files_->RemoveFile(*folder + u"def_srch_engn.xml");
    }
  }
  void Write(const std::u16string& folder, const std::string& text) {
    files_->RemoveFile(folder + u"def_srch_engn.xml");
    if (text.empty()) return;
    ASSERT_TRUE(files_->WriteFile(folder + u"def_srch_engn.xml", Bytes(text)));
  }
  std::optional<VersionNumber> InUse() {
    return CatalogueInUseVersion(*files_, *parser_, data_, program_);
  }

  std::unique_ptr<IFileSystem> files_ = testing::MakeFileSystem();
  std::unique_ptr<IXmlParser> parser_ = testing::MakeXmlParser();
  std::u16string data_, program_;
};

// The update compares with the copy the reader would use: the data copy only while it reads
// with an engine.
TEST_F(CatalogueInUse, VersionOfTheCopyTheReaderUses) {
  struct Case {
    const char* name;
    std::string program, data;
    std::optional<const char16_t*> inUse;
  } cases[] = {
      {"data copy", Catalogue("1.0"), Catalogue("3.0"), u"3.0"},
      {"no data copy", Catalogue("1.0"), "", u"1.0"},
      {"damaged data copy", Catalogue("1.0"), "<search_engines><versi", u"1.0"},
      {"foreign data copy", Catalogue("1.0"), Catalogue("9.0", "{0}"), u"1.0"},
      {"data copy without engines", Catalogue("1.0"), Catalogue("9.0", kFormat, ""), u"1.0"},
      {"program copy without engines still counts", Catalogue("1.5", kFormat, ""), "", u"1.5"},
      {"nothing reads", "", "", std::nullopt},
  };
  for (const Case& c : cases) {
    Write(program_, c.program);
    Write(data_, c.data);
    const auto inUse = InUse();
    ASSERT_EQ(inUse.has_value(), c.inUse.has_value()) << c.name;
    if (inUse) {
      EXPECT_EQ(*inUse, ParseVersionNumber(*c.inUse)) << c.name;
    }
  }
}

TEST(CatalogueUpdate, FormatVersionNumber) {
  EXPECT_EQ(FormatVersionNumber(ParseVersionNumber(u"1.6.0.28")), u"1.6.0.28");
  EXPECT_EQ(FormatVersionNumber(0), u"0.0.0.0");
  EXPECT_EQ(FormatVersionNumber(~VersionNumber{0}), u"65535.65535.65535.65535");
}

TEST(CatalogueUpdate, ReadCatalogueVersion) {
  auto parser = testing::MakeXmlParser();
  const std::string text = Catalogue("1.6.0.28", "F");
  const auto v =
      ReadCatalogueVersion(*parser, std::as_bytes(std::span<const char>(text.data(), text.size())));
  ASSERT_TRUE(v);
  EXPECT_EQ(v->version, (1ull << 48) + (6ull << 32) + 28);
  EXPECT_EQ(v->format, u"F");
  const std::string other = "<catalogue/>";
  EXPECT_FALSE(ReadCatalogueVersion(
      *parser, std::as_bytes(std::span<const char>(other.data(), other.size()))));
}

}  // namespace
}  // namespace brimlet
