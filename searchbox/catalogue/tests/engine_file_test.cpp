// Search service files: the export read back, an OpenSearch description, the refusals and
// how an import joins the current services.
#include <gtest/gtest.h>

#include "catalogue_test_support.h"
#include "engine_file.h"
#include "testing/adapters_under_test.h"

namespace brimlet {
namespace {

constexpr std::u16string_view kCatalogueA = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30101}";

class EngineFile : public ::testing::Test {
 protected:
  EngineFileRead Read(std::string_view text) const {
    return ReadEngineFile(*parser_, std::span(reinterpret_cast<const std::byte*>(text.data()), text.size()));
  }
  std::unique_ptr<IXmlParser> parser_ = testing::MakeXmlParser();
};

TEST_F(EngineFile, ExportReadsBackEveryServiceAndKeyword) {
  EngineCustomisation saved;
  saved.services = {
      {u"{11111111-1111-1111-1111-111111111111}", u"古書 <&\"> 検索",
       u"http://k.example/?q={searchTerms}&a=1", u"shift_jis", u"ko"},
      {u"{22222222-2222-2222-2222-222222222222}", u"辞書", u"https://d.example/{searchTerms}",
       u"euc-jp", u"", u"https://d.example/complete?q={searchTerms}&a=1"}};
  saved.keywords = {{std::u16string(kCatalogueA), u"ｗ"}};
  const std::string text = WriteEngineFile(saved);
  EXPECT_TRUE(text.starts_with("<?xml version=\"1.0\" encoding=\"utf-8\"?>"));
  const EngineFileRead read = Read(text);
  ASSERT_EQ(read.refusal, EngineFileRefusal::kNone);
  ASSERT_EQ(read.found.services.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(read.found.services[i].guid, u"");  // an import gives new ones
    EXPECT_EQ(read.found.services[i].name, saved.services[i].name);
    EXPECT_EQ(read.found.services[i].url, saved.services[i].url);
    EXPECT_EQ(read.found.services[i].encoding, saved.services[i].encoding);
    EXPECT_EQ(read.found.services[i].keyword, saved.services[i].keyword);
    EXPECT_EQ(read.found.services[i].suggestUrl, saved.services[i].suggestUrl);
  }
  ASSERT_EQ(read.found.keywords.size(), 1u);
  EXPECT_EQ(read.found.keywords[0].guid, kCatalogueA);
  EXPECT_EQ(read.found.keywords[0].keyword, u"ｗ");
}

TEST_F(EngineFile, OpenSearchDescriptionGivesItsHtmlUrl) {
  const EngineFileRead read = Read(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
      "<OpenSearchDescription xmlns=\"http://a9.com/-/spec/opensearch/1.1/\">"
      "<ShortName>例</ShortName><InputEncoding>Shift_JIS</InputEncoding>"
      "<Url type=\"application/x-suggestions+json\" template=\"https://s.example/?q={searchTerms}\"/>"
      "<Url type=\"text/html\" template=\"https://w.example/?q={searchTerms}&amp;x=1\"/>"
      "</OpenSearchDescription>");
  ASSERT_EQ(read.refusal, EngineFileRefusal::kNone);
  ASSERT_EQ(read.found.services.size(), 1u);
  EXPECT_EQ(read.found.services[0].name, u"例");
  EXPECT_EQ(read.found.services[0].url, u"https://w.example/?q={searchTerms}&x=1");
  EXPECT_EQ(read.found.services[0].encoding, u"shift_jis");
  EXPECT_EQ(read.found.services[0].suggestUrl, u"https://s.example/?q={searchTerms}");

  // A suggestion address that is not http or https, or has no place for the words, is left
  // out; the service itself is taken.
  for (const char* suggest : {"javascript:alert(1)//{searchTerms}", "https://s.example/fixed"}) {
    const EngineFileRead other =
        Read(std::string("<OpenSearchDescription xmlns=\"http://a9.com/-/spec/opensearch/1.1/\">"
                         "<ShortName>例</ShortName>"
                         "<Url type=\"application/x-suggestions+json\" template=\"") +
             suggest +
             "\"/><Url type=\"text/html\" template=\"https://w.example/?q={searchTerms}\"/>"
             "</OpenSearchDescription>");
    ASSERT_EQ(other.found.services.size(), 1u) << suggest;
    EXPECT_EQ(other.found.services[0].suggestUrl, u"") << suggest;
  }
}

TEST_F(EngineFile, RefusesLargeUnreadableOrUselessFiles) {
  const std::string service =
      "<service><name>n</name><url>http://a/{searchTerms}</url></service>";
  struct Case {
    std::string text;
    EngineFileRefusal refusal;
  };
  const Case cases[] = {
      {"<search_services>" + service + "</search_services>", EngineFileRefusal::kNone},
      {"<search_services>" + service + std::string(kMaxEngineFileBytes, ' ') + "</search_services>",
       EngineFileRefusal::kTooLarge},
      {"<!DOCTYPE search_services [<!ENTITY e \"x\">]><search_services>" + service +
           "</search_services>",
       EngineFileRefusal::kNotReadable},
      {"<search_services>" + service, EngineFileRefusal::kNotReadable},
      {"", EngineFileRefusal::kNotReadable},
      {"<search_services/>", EngineFileRefusal::kNothingUsable},
      {"<other>" + service + "</other>", EngineFileRefusal::kNothingUsable},
      {"<search_services><service><name>n</name><url>ftp://a/{searchTerms}</url></service>"
       "<service><name>n</name><url>http://a/</url></service>"
       "<service><url>http://a/{searchTerms}</url></service>"
       "<service><name>n</name><url>http://a/{searchTerms}</url><encoding>latin-1</encoding></service>"
       "<engine_keyword guid=\"x\">w</engine_keyword>"
       "<engine_keyword guid=\"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30101}\">a b</engine_keyword>"
       "</search_services>",
       EngineFileRefusal::kNothingUsable},
      {"<OpenSearchDescription><ShortName>n</ShortName>"
       "<Url type=\"application/rss+xml\" template=\"http://a/{searchTerms}\"/></OpenSearchDescription>",
       EngineFileRefusal::kNothingUsable},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(c.text).refusal, c.refusal) << c.text.substr(0, 120);
  }
}

TEST_F(EngineFile, ImportGivesNewGuidsAndSkipsKnownAddresses) {
  auto catalogue = test::MakeList(std::u16string(kCatalogueA));
  EngineCustomisation current;
  current.services = {{u"{11111111-1111-1111-1111-111111111111}", u"own", u"http://a/{searchTerms}", u"utf-8", u"k"}};
  EngineCustomisation found;
  found.services = {{u"", u"same address", u"http://a/{searchTerms}", u"utf-8", u""},
                    {u"", u"new", u"http://b/{searchTerms}", u"euc-jp", u"K"},   // keyword taken
                    {u"", u"newer", u"http://c/{searchTerms}", u"utf-8", u"c"}};
  found.keywords = {{std::u16string(kCatalogueA), u"w"},
                    {u"{99999999-9999-9999-9999-999999999999}", u"z"}};  // not in this catalogue
  int next = 0;
  const auto merge = MergeEngineFile(current, found, catalogue.get(), [&] {
    return u"{0000000" + std::u16string(1, static_cast<char16_t>(u'A' + next++)) +
           u"-0000-0000-0000-000000000000}";
  });
  EXPECT_EQ(merge.added, 2u);
  EXPECT_EQ(merge.skipped, 1u);
  ASSERT_EQ(current.services.size(), 3u);
  EXPECT_EQ(current.services[1].guid, u"{0000000A-0000-0000-0000-000000000000}");
  EXPECT_EQ(current.services[1].keyword, u"");
  EXPECT_EQ(current.services[2].keyword, u"c");
  ASSERT_EQ(current.keywords.size(), 1u);
  EXPECT_EQ(current.keywords[0].keyword, u"w");
}

}  // namespace
}  // namespace brimlet
