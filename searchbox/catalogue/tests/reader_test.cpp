// Reading the catalogue: document rules, engine and parameter rules, choosing the file, and
// bad input. Runs with the XML adapter of the build (libxml2 natively, the DOM under Wine).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "catalogue_reader.h"
#include "testing/adapters_under_test.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

const std::string kFormat = "{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30021}";

std::string Engine(
    const std::string& guid, const std::string& extra = "",
    const std::string& parameters = "<p><type>3</type><key>q</key><encode>utf-8</encode></p>",
    const std::string& tag = "search_engine") {
  return "<" + tag + "><guid>" + guid + "</guid><name>N" + guid +
         "</name><host>https://h</host><path>/s?</path>" + extra + "<parameters>" + parameters +
         "</parameters></" + tag + ">";
}

std::string Catalogue(const std::string& body, const std::string& format = kFormat) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<search_engines>\n<format>" + format +
         "</format>\n" + body + "\n</search_engines>";
}

std::span<const std::byte> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::byte*>(text.data()), text.size()};
}

class CatalogueReader : public ::testing::Test {
 protected:
  std::unique_ptr<SearchEngineList> Read(const std::string& xml) {
    return ReadCatalogue(*parser_, Bytes(xml), u"C:\\cat\\");
  }
  std::u16string Guids(const SearchEngineList& list) {
    std::u16string guids;
    for (size_t i = 0; i < list.GetCount(); ++i) guids += list.GetAt(i)->GetGuid() + u" ";
    return guids;
  }
  std::u16string DefaultGuid(const SearchEngineList& list) {
    return list.GetDefault() ? list.GetDefault()->GetGuid() : u"<none>";
  }
  std::unique_ptr<IXmlParser> parser_ = testing::MakeXmlParser();
};

TEST_F(CatalogueReader, ReadsEveryFieldOfAnEngine) {
  const std::string xml = Catalogue(
      "<version>1.2.3.4</version><default_search_engine> {B} </default_search_engine>"
      "<search_engine>\n  <guid> {A} </guid>\n  <name>ウェブ検索</name>\n"
      "  <host><![CDATA[https://www.example.jp]]></host>\n  <method>2</method>\n"
      "  <path>/search?</path>\n  <image>web.png</image>\n"
      "  <suggestionsurl>https://s.example.jp/?q={searchTerms}&amp;x=1</suggestionsurl>\n"
      "  <parameters>\n    <!-- fixed first -->\n"
      "    <parameter><type>1</type><key>ie</key><value>UTF-8</value></parameter>\n"
      "    <parameter><type>2</type><key>fr</key></parameter>\n"
      "    <parameter><type>3</type><key>q</key><encode>euc-jp</encode></parameter>\n"
      "    <anything><type>4</type><key>u</key><encode>utf-8</encode><leading_value>L"
      "</leading_value><value_key>k</value_key><trailing_value>T</trailing_value></anything>\n"
      "  </parameters>\n</search_engine>" +
      Engine("{B}"));
  auto list = Read(xml);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->GetCount(), 2u);
  const ISearchEngineItem* engine = list->GetAt(0);
  EXPECT_EQ(engine->GetGuid(), u"{A}");
  EXPECT_EQ(engine->GetName(), u"ウェブ検索");
  EXPECT_EQ(engine->GetHost(), u"https://www.example.jp");
  EXPECT_EQ(engine->GetMethod(), 2);
  EXPECT_EQ(engine->GetPath(), u"/search?");
  EXPECT_EQ(engine->GetImage(), u"web.png");
  EXPECT_EQ(engine->GetImagePath(), u"C:\\cat\\image\\web.png");
  EXPECT_EQ(engine->GetSuggestionsUrl(), u"https://s.example.jp/?q={searchTerms}&x=1");
  const ISearchEngineParameterList* parameters = engine->GetParameters();
  ASSERT_EQ(parameters->GetCount(), 4u);
  auto* fixed = dynamic_cast<const IStaticSearchEngineParameter*>(parameters->GetAt(0));
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->GetKey(), u"ie");
  EXPECT_EQ(fixed->GetValue(), u"UTF-8");
  EXPECT_EQ(parameters->GetAt(1)->GetType(), 2);
  auto* encoded = dynamic_cast<const IEncodedSearchEngineParameter*>(parameters->GetAt(2));
  ASSERT_NE(encoded, nullptr);
  EXPECT_EQ(encoded->GetEncode(), u"euc-jp");
  auto* ex = dynamic_cast<const IEncodedSearchEngineParameterEx*>(parameters->GetAt(3));
  ASSERT_NE(ex, nullptr);
  EXPECT_EQ(ex->GetKey(), u"u");
  EXPECT_EQ(ex->GetEncode(), u"utf-8");
  EXPECT_EQ(ex->GetLeadingValue(), u"L");
  EXPECT_EQ(ex->GetValueKey(), u"k");
  EXPECT_EQ(ex->GetTrailingValue(), u"T");
  EXPECT_EQ(DefaultGuid(*list), u"{B}");
}

TEST_F(CatalogueReader, DocumentLevelRules) {
  struct Case {
    const char* what;
    std::string xml;
    std::optional<std::u16string> guids;  // nothing: no catalogue
  };
  const std::string a = Engine("a");
  const Case cases[] = {
      {"format in lower case", Catalogue(a, "{4f2a7c10-8b3d-4e61-9a55-c0d1e2f30021}"), u"a "},
      {"format with outer white space", Catalogue(a, "\n  " + kFormat + "  "), u"a "},
      {"wrong format", Catalogue(a, "{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30022}"), std::nullopt},
      {"empty format", Catalogue(a, ""), std::nullopt},
      {"no format", "<search_engines>" + a + "</search_engines>", std::nullopt},
      {"format after the engines",
       "<search_engines>" + a + "<format>" + kFormat + "</format></search_engines>", u"a "},
      {"first format counts", Catalogue(a + "<format>wrong</format>"), u"a "},
      {"second format does not count",
       "<search_engines><format>x</format><format>" + kFormat + "</format></search_engines>",
       std::nullopt},
      {"root name is exact", "<Search_Engines><format>" + kFormat + "</format></Search_Engines>",
       std::nullopt},
      {"other root", "<catalogue><format>" + kFormat + "</format></catalogue>", std::nullopt},
      {"no engines", Catalogue(""), u""},
      {"engine names ignore case, others are skipped",
       Catalogue(Engine("a", "", "<p><type>2</type><key>k</key></p>", "SEARCH_Engine") +
                 Engine("b", "", "<p><type>2</type><key>k</key></p>", "search_engine2") +
                 Engine("c", "", "<p><type>2</type><key>k</key></p>", "engine") +
                 "<!-- comment -->text" + Engine("d")),
       u"a d "},
      {"nested engines are not read", Catalogue("<group>" + a + "</group>"), u""},
  };
  for (const Case& c : cases) {
    auto list = Read(c.xml);
    ASSERT_EQ(list != nullptr, c.guids.has_value()) << c.what;
    if (list) {
      EXPECT_EQ(Guids(*list), *c.guids) << c.what;
    }
  }
}

TEST_F(CatalogueReader, MalformedEnginesAndParametersAreDroppedAlone) {
  const std::string p2 = "<p><type>2</type><key>k</key></p>";
  struct Case {
    const char* what;
    std::string engine;
    bool kept;
  };
  const Case cases[] = {
      {"complete", Engine("x"), true},
      {"no guid",
       "<search_engine><name>n</name><host>h</host><path>/</path><parameters>" + p2 +
           "</parameters></search_engine>",
       false},
      {"blank name",
       "<search_engine><guid>x</guid><name>  </name><host>h</host><path>/</path>"
       "<parameters>" +
           p2 + "</parameters></search_engine>",
       false},
      {"no host",
       "<search_engine><guid>x</guid><name>n</name><path>/</path><parameters>" + p2 +
           "</parameters></search_engine>",
       false},
      {"no path",
       "<search_engine><guid>x</guid><name>n</name><host>h</host><parameters>" + p2 +
           "</parameters></search_engine>",
       false},
      {"no parameters",
       "<search_engine><guid>x</guid><name>n</name><host>h</host><path>/</path>"
       "</search_engine>",
       false},
      {"empty parameters", Engine("x", "", ""), false},
      {"only parameter of type 5", Engine("x", "", "<p><type>5</type><key>k</key></p>"), false},
      {"only parameter without key", Engine("x", "", "<p><type>2</type><key></key></p>"), false},
      {"only parameter of type 0", Engine("x", "", "<p><type>0</type><key>k</key></p>"), false},
      {"only parameter without type", Engine("x", "", "<p><key>k</key></p>"), false},
      {"only parameter of type -2", Engine("x", "", "<p><type>-2</type><key>k</key></p>"), false},
      {"type 2 followed by letters", Engine("x", "", "<p><type>2abc</type><key>k</key></p>"), true},
      {"type with blanks and sign", Engine("x", "", "<p><type> +2</type><key>k</key></p>"), true},
      {"type as text around a comment",
       Engine("x", "", "<p><type>2<!-- c --></type><key>k</key></p>"), true},
  };
  for (const Case& c : cases) {
    auto list = Read(Catalogue(Engine("before") + c.engine + Engine("after")));
    ASSERT_TRUE(list) << c.what;
    EXPECT_EQ(Guids(*list), c.kept ? u"before x after " : u"before after ") << c.what;
  }

  auto list = Read(Catalogue(
      Engine("x", "",
             "<p><type>5</type><key>a</key></p>text<!--c--><p><type>2</type><key>b</key></p>"
             "<p><type>2</type></p><p><type>1</type><key>c</key></p>")));
  ASSERT_TRUE(list);
  ASSERT_EQ(list->GetCount(), 1u);
  const ISearchEngineParameterList* parameters = list->GetAt(0)->GetParameters();
  ASSERT_EQ(parameters->GetCount(), 2u);
  EXPECT_EQ(parameters->GetAt(0)->GetKey(), u"b");
  EXPECT_EQ(parameters->GetAt(1)->GetKey(), u"c");
  EXPECT_EQ(dynamic_cast<const IStaticSearchEngineParameter*>(parameters->GetAt(1))->GetValue(),
            u"");
}

TEST_F(CatalogueReader, MethodIsALeadingIntegerWithOneForNothing) {
  struct Case {
    std::string method;
    int32_t value;
  };
  const Case cases[] = {
      {"", 1},
      {"<method></method>", 1},
      {"<method>0</method>", 1},
      {"<method>x</method>", 1},
      {"<method>-7</method>", -7},
      {"<method> 12abc</method>", 12},
      {"<method>99999999999</method>", INT32_MAX},
      {"<method>-99999999999</method>", INT32_MIN},
      {"<method>3</method><method>4</method>", 3},
  };
  for (const Case& c : cases) {
    auto list = Read(Catalogue(Engine("x", c.method)));
    ASSERT_TRUE(list && list->GetCount() == 1) << c.method;
    EXPECT_EQ(list->GetAt(0)->GetMethod(), c.value) << c.method;
  }
}

TEST_F(CatalogueReader, DefaultEngineRule) {
  struct Case {
    const char* what;
    std::string body;
    std::u16string defaultGuid;
  };
  const std::string bad = "<search_engine><guid>bad</guid></search_engine>";
  const Case cases[] = {
      {"named, case ignored",
       "<default_search_engine>B</default_search_engine>" + Engine("a") + Engine("b"), u"b"},
      {"a later match replaces an earlier one",
       "<default_search_engine>b</default_search_engine>" + Engine("a") +
           Engine("b", "<image>1</image>") + Engine("B", "<image>2</image>"),
       u"B"},
      {"naming no engine", "<default_search_engine>z</default_search_engine>" + Engine("a"),
       u"<none>"},
      {"naming only a dropped engine",
       "<default_search_engine>bad</default_search_engine>" + bad + Engine("a"), u"<none>"},
      {"empty: the first engine read", "<default_search_engine/>" + bad + Engine("a") + Engine("b"),
       u"a"},
      {"absent: the first engine read", bad + Engine("a") + Engine("b"), u"a"},
      {"the first element counts",
       "<default_search_engine>b</default_search_engine><default_search_engine>a"
       "</default_search_engine>" +
           Engine("a") + Engine("b"),
       u"b"},
  };
  for (const Case& c : cases) {
    auto list = Read(Catalogue(c.body));
    ASSERT_TRUE(list) << c.what;
    EXPECT_EQ(DefaultGuid(*list), c.defaultGuid) << c.what;
  }
  auto list = Read(Catalogue("<default_search_engine>b</default_search_engine>" + Engine("a") +
                             Engine("b", "<image>1</image>") + Engine("B", "<image>2</image>")));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->GetDefault(), list->GetAt(2));
  EXPECT_EQ(list->FindByGuid(u"b"), list->GetAt(1));
}

TEST_F(CatalogueReader, BadInputYieldsNoCatalogue) {
  using namespace std::string_literals;
  const std::string valid = Catalogue(Engine("a") + Engine("b"));
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"not XML", "def_srch_engn"},
      {"binary", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s},
      {"truncated", valid.substr(0, valid.size() - 5)},
      {"Shift_JIS bytes declared UTF-8",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?><search_engines><format>" + kFormat +
           "</format>" + Engine("\x8c\x9f") + "</search_engines>"},
      {"external entity",
       "<!DOCTYPE search_engines [<!ENTITY f SYSTEM \"file:///etc/hostname\">]>"
       "<search_engines><format>" +
           kFormat + "</format>" + Engine("&f;") + "</search_engines>"},
      {"entity expansion",
       "<!DOCTYPE search_engines [<!ENTITY a \"aaaaaaaaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;"
       "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;"
       "&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\"><!ENTITY e "
       "\"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;"
       "&e;&e;&e;&e;&e;&e;&e;&e;&e;\"><!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;"
       "&f;\">]><search_engines><format>" +
           kFormat + "</format>" + Engine("&g;") + "</search_engines>"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(Read(c.bytes)) << c.what;
  }
  // Cut anywhere, the file gives no catalogue or a catalogue of whole engines only.
  for (size_t size = 0; size < valid.size(); size += 7) {
    auto list = Read(valid.substr(0, size));
    if (!list) continue;
    for (size_t i = 0; i < list->GetCount(); ++i) {
      EXPECT_FALSE(list->GetAt(i)->GetName().empty()) << size;
      EXPECT_EQ(list->GetAt(i)->GetParameters()->GetCount(), 1u) << size;
    }
  }
}

TEST_F(CatalogueReader, EncodingOfTheFileIsHonoured) {
  // ウェブ in Shift_JIS and in EUC-JP.
  const std::string sjis =
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><search_engines><format>" + kFormat +
      "</format>" + Engine("g\x83\x45\x83\x46\x83\x75") + "</search_engines>";
  const std::string eucjp = "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><search_engines><format>" +
                            kFormat + "</format>" + Engine("g\xa5\xa6\xa5\xa7\xa5\xd6") +
                            "</search_engines>";
  for (const std::string& xml : {sjis, eucjp}) {
    auto list = Read(xml);
    ASSERT_TRUE(list && list->GetCount() == 1);
    EXPECT_EQ(list->GetAt(0)->GetGuid(), u"gウェブ");
    EXPECT_EQ(list->GetAt(0)->GetName(), u"Ngウェブ");
  }
}

class CatalogueFiles : public CatalogueReader {
 protected:
  void SetUp() override {
    const std::u16string scratch = testing::ScratchFolder();
    const char16_t separator = scratch.back();
    dataFolder_ = scratch + u"data" + separator;
    programFolder_ = scratch + u"program" + separator;
    std::filesystem::create_directories(std::filesystem::path(dataFolder_));
    std::filesystem::create_directories(std::filesystem::path(programFolder_));
    // The scratch folder may hold an earlier test's copies.
    files_->RemoveFile(dataFolder_ + u"def_srch_engn.xml");
    files_->RemoveFile(programFolder_ + u"def_srch_engn.xml");
  }
  void Write(const std::u16string& folder, const std::string& bytes) {
    ASSERT_TRUE(files_->WriteFile(folder + u"def_srch_engn.xml", Bytes(bytes)));
  }
  std::unique_ptr<SearchEngineList> Load() {
    return LoadCatalogue(*files_, *parser_, dataFolder_, programFolder_);
  }
  std::unique_ptr<IFileSystem> files_ = testing::MakeFileSystem();
  std::u16string dataFolder_;
  std::u16string programFolder_;
};

// A data copy that is rejected, or that reads without any engine, leaves the program's.
TEST_F(CatalogueFiles, DataFolderCopyComesFirstUnlessRejectedOrEmpty) {
  const std::string programCopy = Catalogue(Engine("program"));
  const std::string dataCopy = Catalogue(Engine("data"));
  Write(programFolder_, programCopy);
  auto list = Load();
  ASSERT_TRUE(list);
  EXPECT_EQ(Guids(*list), u"program ");
  EXPECT_EQ(list->GetAt(0)->GetImagePath(),
            programFolder_ + u"image" + programFolder_.back() + u"");

  Write(dataFolder_, dataCopy);
  list = Load();
  ASSERT_TRUE(list);
  EXPECT_EQ(Guids(*list), u"data ");

  for (const std::string& rejected :
       {std::string(), std::string("<search_engines/>"), Catalogue(Engine("data"), "{0}"),
        Catalogue(""), Catalogue("<search_engine><guid>no parameters</guid></search_engine>")}) {
    Write(dataFolder_, rejected);
    list = Load();
    ASSERT_TRUE(list) << rejected;
    EXPECT_EQ(Guids(*list), u"program ") << rejected;
  }

  // The data folder is found with or without its trailing separator.
  Write(dataFolder_, dataCopy);
  list = LoadCatalogue(*files_, *parser_,
                       std::u16string_view(dataFolder_).substr(0, dataFolder_.size() - 1),
                       programFolder_);
  ASSERT_TRUE(list);
  EXPECT_EQ(Guids(*list), u"data ");
}

TEST_F(CatalogueFiles, MissingFilesAndFolders) {
  EXPECT_FALSE(Load());  // neither copy
  Write(programFolder_, Catalogue(Engine("program")));
  EXPECT_FALSE(LoadCatalogue(*files_, *parser_, dataFolder_, u""));   // no program folder
  auto list = LoadCatalogue(*files_, *parser_, u"", programFolder_);  // no data folder
  ASSERT_TRUE(list);
  EXPECT_EQ(Guids(*list), u"program ");
  EXPECT_FALSE(ReadCatalogueFile(*files_, *parser_, u""));
  EXPECT_FALSE(ReadCatalogueFile(*files_, *parser_, dataFolder_ + u"def_srch_engn.xml"));
  EXPECT_FALSE(ReadCatalogueFile(*files_, *parser_, dataFolder_));  // a folder
}

}  // namespace
}  // namespace brimlet
