// Search and suggestion addresses, with the code-page adapter of the build (iconv natively,
// the platform's conversion under Wine).
#include <gtest/gtest.h>

#include "search_url.h"
#include "testing/adapters_under_test.h"

namespace brimlet {
namespace {

class SearchUrl : public ::testing::Test {
 protected:
  std::unique_ptr<ICodePageConverter> converter_ = testing::MakeCodePageConverter();
};

template <typename T, typename... Args>
std::unique_ptr<SearchEngineParameterRoot> Parameter(std::u16string key, Args... args) {
  auto parameter = std::make_unique<T>(args...);
  parameter->SetKey(std::move(key));
  return parameter;
}

// The engine of the worked example: host H, path /search?, and one parameter of each type.
std::unique_ptr<SearchEngineItem> ExampleEngine(std::u16string encodedEncoding = u"utf-8",
                                                std::u16string exEncoding = u"euc-jp") {
  auto parameters = std::make_unique<SearchEngineParameterList>();
  parameters->Add(Parameter<StaticSearchEngineParameter>(u"ie", u"utf-8"));
  parameters->Add(Parameter<EncodedSearchEngineParameter>(u"q", encodedEncoding));
  parameters->Add(Parameter<VariableSearchEngineParameter>(u"fr"));
  parameters->Add(Parameter<EncodedSearchEngineParameterEx>(u"u", exEncoding, u"L", u"T", u"k"));
  SearchEngineFields fields;
  fields.host = u"H";
  fields.path = u"/search?";
  return std::make_unique<SearchEngineItem>(fields, std::move(parameters));
}

TEST_F(SearchUrl, UrlEscapeKeepsTheSafeSetAndWritesLowerCaseHex) {
  struct Case {
    std::string bytes;
    bool escapePercent;
    std::string escaped;
  };
  using namespace std::string_literals;
  const Case cases[] = {
      {"AZaz09!'()*-./:_~", false, "AZaz09!'()*-./:_~"},
      {" ", false, "%20"},
      {"+", false, "%2b"},
      {"\xe3", false, "%e3"},
      {"\xff\x80\x7f", false, "%ff%80%7f"},
      {"\0"s, false, "%00"},
      {"\"#$&,;<=>?@[\\]^`{|}", false, "%22%23%24%26%2c%3b%3c%3d%3e%3f%40%5b%5c%5d%5e%60%7b%7c%7d"},
      {"50%", false, "50%"},
      {"50%", true, "50%25"},
      {"\x83\x65", false, "%83e"},  // a trail byte that is a letter stays a letter
      {"", true, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UrlEscape(c.bytes, c.escapePercent), c.escaped) << c.bytes;
  }
}

TEST_F(SearchUrl, WorkedExamples) {
  const auto engine = ExampleEngine();
  struct Case {
    std::u16string words;
    std::u16string url;
  };
  const Case cases[] = {
      {u"abc", u"H/search?ie=utf-8&q=abc&fr=&u=Lk%3dabcT"},
      {u"abc def", u"H/search?ie=utf-8&q=abc%20def&fr=&u=Lk%3dabc%2520defT"},
      {u"あ", u"H/search?ie=utf-8&q=%e3%81%82&fr=&u=Lk%3d%25a4%25a2T"},
      {u"50%", u"H/search?ie=utf-8&q=50%&fr=&u=Lk%3d50%25T"},
      {u"", u"H/search?ie=utf-8&q=&fr=&u=Lk%3dT"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildSearchUrl(*converter_, *engine, c.words), c.url);
  }
  // Any other encoding name: the ANSI code page, Shift_JIS here.
  EXPECT_EQ(BuildSearchUrl(*converter_, *ExampleEngine(u"shift_jis"), u"あ"),
            u"H/search?ie=utf-8&q=%82%a0&fr=&u=Lk%3d%25a4%25a2T");
  EXPECT_EQ(BuildSearchUrl(*converter_, *ExampleEngine(u"sjis", u""), u"テスト"),
            u"H/search?ie=utf-8&q=%83e%83X%83g&fr=&u=Lk%3d%2583e%2583X%2583gT");
}

TEST_F(SearchUrl, EncodeSearchWordsByEncodingName) {
  struct Case {
    std::u16string words;
    std::u16string encoding;
    std::u16string encoded;
  };
  const Case cases[] = {
      {u"あ", u"UTF-8", u"%e3%81%82"},
      {u"あ", u"Utf-16", u"%e3%81%82"},
      {u"あ", u"EUC-jp", u"%a4%a2"},
      {u"あ", u"", u"%82%a0"},
      {u"あ", u"utf8", u"%82%a0"},  // not one of the three names
      {u"テスト", u"x", u"%83e%83X%83g"},
      {u"abc あ x", u"utf-16", u"abc%20%e3%81%82%20x"},
      {u"abc あ x", u"utf-8", u"abc%20%e3%81%82%20x"},
      {u"a\u0e01", u"euc-jp", u"a%3f"},  // no such character: the default character "?"
      {u"a+b", u"utf-8", u"a%2bb"},
      {u"", u"utf-8", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeSearchWords(*converter_, c.words, c.encoding), c.encoded);
  }
}

TEST_F(SearchUrl, SafeWordsComeOutUnchangedUnderEveryEncoding) {
  const std::u16string words = u"Az09!'()*-./:_~";
  for (const char16_t* encoding : {u"utf-8", u"utf-16", u"euc-jp", u"shift_jis", u""}) {
    EXPECT_EQ(EncodeSearchWords(*converter_, words, encoding), words);
  }
}

TEST_F(SearchUrl, ParameterOrderTypesAndEmptySegments) {
  SearchEngineFields fields;
  fields.host = u"https://h.example";
  fields.path = u"/s?";
  auto none = std::make_unique<SearchEngineItem>(fields, nullptr);
  EXPECT_EQ(BuildSearchUrl(*converter_, *none, u"x"), u"https://h.example/s?");

  // An unknown type makes no segment and no stray "&".
  class UnknownParameter final : public SearchEngineParameterImplT<IVariableSearchEngineParameter> {
   public:
    int GetType() const override { return 9; }
    std::unique_ptr<SearchEngineParameterRoot> Clone() const noexcept override { return nullptr; }
  };
  auto parameters = std::make_unique<SearchEngineParameterList>();
  parameters->Add(Parameter<UnknownParameter>(u"z"));
  parameters->Add(Parameter<EncodedSearchEngineParameter>(u"q", u"utf-8"));
  parameters->Add(Parameter<UnknownParameter>(u"z"));
  parameters->Add(Parameter<VariableSearchEngineParameter>(u"last"));
  SearchEngineItem engine(fields, std::move(parameters));
  EXPECT_EQ(BuildSearchUrl(*converter_, engine, u"a b"), u"https://h.example/s?q=a%20b&last=");
}

TEST_F(SearchUrl, SuggestionUrl) {
  struct Case {
    std::u16string urlTemplate;
    std::u16string words;
    std::optional<std::u16string> url;
  };
  const Case cases[] = {
      {u"https://s.example/c?client=x&q={searchTerms}", u"あ",
       u"https://s.example/c?client=x&q=%e3%81%82"},
      {u"h/{searchTerms}/{searchTerms}", u"a b%", u"h/a%20b%/a%20b%"},
      {u"h/?q={SearchTerms}", u"a", u"h/?q={SearchTerms}"},  // exact match only
      {u"h/?q=", u"a", u"h/?q="},
      {u"h/?q={searchTerms}", u"", std::nullopt},
      // Outside the ANSI code page: its default character.
      {u"h/café?q={searchTerms}", u"a", u"h/caf??q=a"},
      // ボ is 83 7B in Shift_JIS: its trail byte "{" does not start a placeholder.
      {u"h/ボsearchTerms}", u"a", u"h/ボsearchTerms}"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildSuggestionUrl(*converter_, c.urlTemplate, c.words), c.url);
  }
}

}  // namespace
}  // namespace brimlet
