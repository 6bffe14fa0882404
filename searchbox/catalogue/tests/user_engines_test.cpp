// The user's search services and keywords: the keyword rule, the settings key's layout with
// every kind of bad entry, and the addresses the services build.
#include <gtest/gtest.h>

#include <cstring>

#include "catalogue_test_support.h"
#include "search_url.h"
#include "testing/adapters_under_test.h"
#include "user_engines.h"

namespace brimlet {
namespace {

constexpr std::u16string_view kCatalogueA = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30101}";
constexpr std::u16string_view kCatalogueB = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30102}";
constexpr std::u16string_view kUser1 = u"{11111111-1111-1111-1111-111111111111}";
constexpr std::u16string_view kUser2 = u"{22222222-2222-2222-2222-222222222222}";

std::unique_ptr<SearchEngineList> Catalogue() {
  return test::MakeList(std::u16string(kCatalogueA), std::u16string(kCatalogueB));
}

void PutText(IRegistry& registry, std::u16string_view key, std::u16string_view name,
             std::u16string_view text) {
  std::vector<std::byte> data((text.size() + 1) * 2);
  std::memcpy(data.data(), text.data(), text.size() * 2);
  registry.SetValue(RegistryRoot::kCurrentUser, key, name, reg_type::kSz, data);
}

void PutOrder(IRegistry& registry, std::u16string_view key, uint32_t order) {
  std::byte data[4];
  std::memcpy(data, &order, 4);
  registry.SetValue(RegistryRoot::kCurrentUser, key, u"Order", reg_type::kDword, data);
}

// The build's registry (the real one under Wine), without either key.
std::unique_ptr<IRegistry> CleanRegistry() {
  auto registry = testing::MakeRegistry();
  registry->DeleteTree(RegistryRoot::kCurrentUser, kUserSearchEnginesKey);
  registry->DeleteTree(RegistryRoot::kCurrentUser, kSearchEngineKeywordsKey);
  return registry;
}

std::u16string ServiceKey(std::u16string_view guid) {
  return std::u16string(kUserSearchEnginesKey) + u"\\" + std::u16string(guid);
}

void PutService(IRegistry& registry, std::u16string_view guid, std::u16string_view name,
                std::u16string_view url, uint32_t order, std::u16string_view keyword = u"",
                std::u16string_view encoding = u"") {
  const std::u16string key = ServiceKey(guid);
  if (!name.empty()) PutText(registry, key, u"Name", name);
  if (!url.empty()) PutText(registry, key, u"Url", url);
  if (!keyword.empty()) PutText(registry, key, u"Keyword", keyword);
  if (!encoding.empty()) PutText(registry, key, u"Encoding", encoding);
  PutOrder(registry, key, order);
}

TEST(UserEngines, KeywordRuleFoldsWidthAndCaseAndNeedsSpaceAndWords) {
  auto list = Catalogue();
  ApplyEngineCustomisation(*list, {{{std::u16string(kUser1), u"辞書", u"http://d.example/{searchTerms}",
                                     u"utf-8", u"Dj"}},
                                   {{std::u16string(kCatalogueA), u"w"}}});
  const ISearchEngineItem* wiki = list->GetAt(0);
  const ISearchEngineItem* dict = list->GetAt(2);
  struct Case {
    std::u16string words;
    const ISearchEngineItem* engine;  // null: no keyword search
    std::u16string rest;
  };
  const Case cases[] = {
      {u"w 東京", wiki, u"東京"},
      {u"ｗ　東京", wiki, u"東京"},           // full-width letter, ideographic space
      {u"W 　 東京 駅", wiki, u"東京 駅"},    // spaces after the keyword all go
      {u"dj x", dict, u"x"},
      {u"ＤＪ\u3000x", dict, u"x"},
      {u"w http://a.example/", wiki, u"http://a.example/"},  // an address after a keyword
      {u"w", nullptr, u""},                   // keyword alone
      {u"w ", nullptr, u""},                  // not followed by words
      {u"w\u3000\u3000", nullptr, u""},
      {u"wx 東京", nullptr, u""},             // not a keyword
      {u" w 東京", nullptr, u""},
      {u"w\t東京", nullptr, u""},             // a tab is no separator
      {u"http://a.example/ b", nullptr, u""},
  };
  for (const Case& c : cases) {
    const auto match = MatchKeyword(*list, c.words);
    ASSERT_EQ(match.has_value(), c.engine != nullptr) << ::testing::PrintToString(c.words);
    if (!match) continue;
    EXPECT_EQ(match->engine, c.engine);
    EXPECT_EQ(match->words, c.rest);
  }
}

TEST(UserEngines, KeywordFormAndUniqueness) {
  const std::vector<std::u16string> taken = {u"w", u"ＤＪ"};
  EXPECT_EQ(CheckKeyword(u"g", taken), EngineProblem::kNone);
  EXPECT_EQ(CheckKeyword(u"1234567890123456", taken), EngineProblem::kNone);
  EXPECT_EQ(CheckKeyword(u"12345678901234567", taken), EngineProblem::kKeywordLength);
  EXPECT_EQ(CheckKeyword(u"", taken), EngineProblem::kKeywordLength);
  EXPECT_EQ(CheckKeyword(u"a b", taken), EngineProblem::kKeywordSpace);
  EXPECT_EQ(CheckKeyword(u"a\u3000", taken), EngineProblem::kKeywordSpace);
  EXPECT_EQ(CheckKeyword(u"Ｗ", taken), EngineProblem::kKeywordTaken);
  EXPECT_EQ(CheckKeyword(u"dj", taken), EngineProblem::kKeywordTaken);
  EXPECT_EQ(NormaliseUrlTemplate(u"http://a/?q=%s&r=%s"),
            u"http://a/?q={searchTerms}&r={searchTerms}");
}

TEST(UserEngines, ReadingLeavesOutEveryKindOfBadEntry) {
  const auto owned = CleanRegistry();
  IRegistry& registry = *owned;
  auto catalogue = Catalogue();
  const std::u16string url = u"https://s.example/?q={searchTerms}";
  PutService(registry, kUser2, u"後", url, 5, u"k", u"euc-jp");
  PutService(registry, kUser1, u"先", url, 1, u"W");  // keyword taken by a catalogue engine
  PutService(registry, u"{33333333-3333-3333-3333-333333333333}", u"", url, 0);
  PutService(registry, u"{44444444-4444-4444-4444-444444444444}", u"n", u"", 0);
  PutService(registry, u"{55555555-5555-5555-5555-555555555555}", u"n", u"file:///c/{searchTerms}", 0);
  PutService(registry, u"{66666666-6666-6666-6666-666666666666}", u"n", u"https://s.example/", 0);
  PutService(registry, u"{77777777-7777-7777-7777-777777777777}", u"n", url, 0, u"", u"latin-1");
  PutService(registry, kCatalogueB, u"n", url, 0);
  PutService(registry, u"not-a-guid", u"n", url, 0);
  PutService(registry, u"{88888888-8888-8888-8888-888888888888}", u"同順", url, 5, u"K");
  PutText(registry, kSearchEngineKeywordsKey, kCatalogueA, u"w");
  PutText(registry, kSearchEngineKeywordsKey, kCatalogueB, u"a b");
  PutText(registry, kSearchEngineKeywordsKey, u"{99999999-9999-9999-9999-999999999999}", u"z");

  const EngineCustomisationRead read = ReadEngineCustomisation(registry, catalogue.get());
  ASSERT_EQ(read.accepted.services.size(), 3u);
  EXPECT_EQ(read.accepted.services[0].guid, kUser1);
  EXPECT_EQ(read.accepted.services[0].keyword, u"");  // "W" was the catalogue engine's
  EXPECT_EQ(read.accepted.services[0].encoding, u"utf-8");  // missing means utf-8
  EXPECT_EQ(read.accepted.services[1].name, u"同順");  // order 5, ties by name: 同 < 後
  EXPECT_EQ(read.accepted.services[1].keyword, u"K");
  EXPECT_EQ(read.accepted.services[2].guid, kUser2);
  EXPECT_EQ(read.accepted.services[2].keyword, u"");  // "k" is "K" ignoring case
  EXPECT_EQ(read.accepted.services[2].encoding, u"euc-jp");
  ASSERT_EQ(read.accepted.keywords.size(), 1u);
  EXPECT_EQ(read.accepted.keywords[0].guid, kCatalogueA);
  // Seven services, two catalogue keywords and two service keywords left out, each traced.
  EXPECT_EQ(read.leftOut.size(), 11u);
  for (const auto& line : read.leftOut) EXPECT_TRUE(line.starts_with(u"Brimlet: left out "));
  CleanRegistry();
}

TEST(UserEngines, WrittenLayoutReadsBackAndReplacesWhatWasThere) {
  const auto owned = CleanRegistry();
  IRegistry& registry = *owned;
  auto catalogue = Catalogue();
  PutService(registry, u"{99999999-9999-9999-9999-999999999999}", u"old", u"http://o/{searchTerms}", 0);
  EngineCustomisation written;
  written.services = {
      {std::u16string(kUser2), u"二", u"http://b/{searchTerms}", u"shift_jis", u"b"},
      {std::u16string(kUser1), u"一", u"http://a/{searchTerms}", u"utf-8", u"",
       u"https://a/complete?q={searchTerms}"}};
  written.keywords = {{std::u16string(kCatalogueB), u"g"}};
  ASSERT_TRUE(WriteEngineCustomisation(registry, written));
  EXPECT_FALSE(
      ReadRegistryValue(registry, RegistryRoot::kCurrentUser, ServiceKey(kUser2), u"SuggestUrl"));
  EXPECT_EQ(
      ReadRegistryValue(registry, RegistryRoot::kCurrentUser, ServiceKey(kUser1), u"SuggestUrl")
          ->type,
      reg_type::kSz);

  const std::u16string key2 = ServiceKey(kUser2);
  const auto order = ReadRegistryValue(registry, RegistryRoot::kCurrentUser, ServiceKey(kUser1), u"Order");
  ASSERT_TRUE(order);
  EXPECT_EQ(order->type, reg_type::kDword);
  EXPECT_EQ(order->data, (std::vector<std::byte>{std::byte{1}, std::byte{0}, std::byte{0}, std::byte{0}}));
  EXPECT_FALSE(ReadRegistryValue(registry, RegistryRoot::kCurrentUser, ServiceKey(kUser1), u"Keyword"));
  EXPECT_EQ(ReadRegistryValue(registry, RegistryRoot::kCurrentUser, key2, u"Encoding")->type, reg_type::kSz);

  // Read again against a list that carries the services already, as the settings dialog's does.
  auto withServices = Catalogue();
  ApplyEngineCustomisation(*withServices, written);
  const EngineCustomisationRead read = ReadEngineCustomisation(registry, withServices.get());
  EXPECT_TRUE(read.leftOut.empty());
  ASSERT_EQ(read.accepted.services.size(), 2u);
  EXPECT_EQ(read.accepted.services[0].name, u"二");
  EXPECT_EQ(read.accepted.services[0].keyword, u"b");
  EXPECT_EQ(read.accepted.services[1].name, u"一");
  EXPECT_EQ(read.accepted.services[1].suggestUrl, u"https://a/complete?q={searchTerms}");
  EXPECT_EQ(withServices->FindByGuid(kUser1)->GetSuggestionsUrl(),
            u"https://a/complete?q={searchTerms}");
  EXPECT_EQ(withServices->Clone()->FindByGuid(kUser1)->GetSuggestionsUrl(),
            u"https://a/complete?q={searchTerms}");
  ASSERT_EQ(read.accepted.keywords.size(), 1u);
  EXPECT_EQ(read.accepted.keywords[0].keyword, u"g");

  // A stored suggestion address the rule refuses is left out, the service kept.
  const auto plain = Catalogue();
  for (const char16_t* bad : {u"file:///C:/x?{searchTerms}", u"https://a/complete"}) {
    PutText(registry, ServiceKey(kUser1), u"SuggestUrl", bad);
    const EngineCustomisationRead again = ReadEngineCustomisation(registry, plain.get());
    ASSERT_EQ(again.accepted.services.size(), 2u);
    EXPECT_EQ(again.accepted.services[1].suggestUrl, u"");
    EXPECT_EQ(again.leftOut.size(), 1u);
  }
  CleanRegistry();
}

TEST(UserEngines, ServicesFollowTheCatalogueAndBuildTheirAddressInTheirEncoding) {
  const auto converter = testing::MakeCodePageConverter();
  auto list = Catalogue();
  ApplyEngineCustomisation(
      *list, {{{std::u16string(kUser1), u"u", u"http://u.example/?q={searchTerms}&again={searchTerms}", u"utf-8", u""},
               {std::u16string(kUser2), u"s", u"http://s.example/{searchTerms}/x", u"shift_jis", u""},
               {u"{33333333-3333-3333-3333-333333333333}", u"e", u"https://e.example/?k={searchTerms}", u"euc-jp", u""}},
              {}});
  ASSERT_EQ(list->GetCount(), 5u);
  EXPECT_FALSE(list->GetAt(1)->IsUserService());
  EXPECT_TRUE(list->GetAt(2)->IsUserService());
  EXPECT_EQ(list->FindByGuid(kUser2), list->GetAt(3));
  // "東京 50%" : space as %20, "%" kept as a type-3 parameter keeps it.
  EXPECT_EQ(BuildSearchUrl(*converter, *list->GetAt(2), u"東京 50%"),
            u"http://u.example/?q=%e6%9d%b1%e4%ba%ac%2050%&again=%e6%9d%b1%e4%ba%ac%2050%");
  EXPECT_EQ(BuildSearchUrl(*converter, *list->GetAt(3), u"東京 a+b"),
            u"http://s.example/%93%8c%8b%9e%20a%2bb/x");
  EXPECT_EQ(BuildSearchUrl(*converter, *list->GetAt(4), u"東京"), u"https://e.example/?k=%c5%ec%b5%fe");
  // Copies carry the template, the encoding and the keyword.
  auto copy = list->Clone();
  ASSERT_TRUE(copy);
  EXPECT_EQ(BuildSearchUrl(*converter, *copy->GetAt(3), u"東京"), u"http://s.example/%93%8c%8b%9e/x");
}

}  // namespace
}  // namespace brimlet
