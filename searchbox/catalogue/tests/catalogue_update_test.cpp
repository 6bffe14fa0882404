// The catalogue update's decisions: due rule, address, entry names and version comparison,
// with the file and XML adapters of the build.
#include "catalogue_update.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
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

TEST(CatalogueUpdate, Address) {
  EXPECT_EQ(CatalogueCabinetAddress(u"http://dl", u"ptn", 12),
            u"http://dl/pub/bmb/ptn/def_srch_engn.cab?t=12");
  EXPECT_EQ(CatalogueCabinetAddress(u"https://dl", u"", 4294967295u, u".sig"),
            u"https://dl/pub/bmb//def_srch_engn.cab.sig?t=4294967295");
}

TEST(CatalogueUpdate, EntryNames) {
  for (std::u16string_view good :
       {u"def_srch_engn.xml", u"image\\a.png", u"image/b/c.png", u"a..b.png", u"...x"}) {
    EXPECT_TRUE(IsSafeCabinetEntryName(good)) << std::filesystem::path(good).string();
  }
  for (std::u16string_view bad :
       {u"", u"..\\a.png", u"image\\..\\..\\a.png", u"image/../a", u"\\Windows\\a.png", u"/etc/a",
        u"C:\\a.png", u"c:a.png", u"a.png:stream", u"image\\\\a.png", u"image\\", u".\\a",
        u"image\\..", u"a\tb", u".. \\a", u"...\\a", u"image\\a.", u"a \\b"}) {
    EXPECT_FALSE(IsSafeCabinetEntryName(bad)) << std::filesystem::path(bad).string();
  }
}

std::string Catalogue(const std::string& version, const std::string& format = kFormat) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><search_engines><version>" + version +
         "</version><format>" + format + "</format></search_engines>";
}

class CatalogueComparison : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::u16string scratch = testing::ScratchFolder();
    const char16_t separator = scratch.back();
    for (auto* folder : {&extracted_, &data_, &program_}) {
      *folder = scratch +
                (folder == &extracted_ ? u"x"
                 : folder == &data_    ? u"d"
                                       : u"p") +
                separator;
      std::filesystem::create_directories(std::filesystem::path(*folder));
      files_->RemoveFile(*folder + u"def_srch_engn.xml");
    }
  }
  void Write(const std::u16string& folder, const std::string& text) {
    std::vector<std::byte> bytes(text.size());
    std::memcpy(bytes.data(), text.data(), text.size());
    ASSERT_TRUE(files_->WriteFile(folder + u"def_srch_engn.xml", bytes));
  }
  bool Newer() { return IsNewerCatalogue(*files_, *parser_, extracted_, data_, program_); }

  std::unique_ptr<IFileSystem> files_ = testing::MakeFileSystem();
  std::unique_ptr<IXmlParser> parser_ = testing::MakeXmlParser();
  std::u16string extracted_, data_, program_;
};

TEST_F(CatalogueComparison, VersionAndFormat) {
  struct Case {
    const char* name;
    std::string program, data, extracted;
    bool newer;
  } cases[] = {
      {"same version", Catalogue("1.2"), "", Catalogue("1.2"), false},
      {"1.2 then 1.2.0.1", Catalogue("1.2"), "", Catalogue("1.2.0.1"), true},
      {"older", Catalogue("1.3"), "", Catalogue("1.2.9"), false},
      {"another format", Catalogue("1.2"), "", Catalogue("2.0", "{0}"), false},
      {"no format", Catalogue("1.2"), "", "<search_engines><version>9</version></search_engines>",
       false},
      {"not XML", Catalogue("1.2"), "", "PK\x03\x04 not xml", false},
      {"no catalogue unpacked", Catalogue("1.2"), "", "", false},
      {"data copy is the one in use", Catalogue("1.0"), Catalogue("3.0"), Catalogue("2.0"), false},
      {"damaged data copy: program copy counts", Catalogue("1.0"), "<search_engines><versi",
       Catalogue("2.0"), true},
      {"foreign data copy: program copy counts", Catalogue("1.0"), Catalogue("9.0", "{0}"),
       Catalogue("2.0"), true},
      {"installed format not examined", Catalogue("1.0", "{0}"), "", Catalogue("2.0"), true},
      {"nothing installed", "", "", Catalogue("2.0"), false},
  };
  for (const Case& c : cases) {
    for (auto [folder, text] : {std::pair{&program_, &c.program}, std::pair{&data_, &c.data},
                                std::pair{&extracted_, &c.extracted}}) {
      files_->RemoveFile(*folder + u"def_srch_engn.xml");
      if (!text->empty()) Write(*folder, *text);
    }
    EXPECT_EQ(Newer(), c.newer) << c.name;
  }
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
