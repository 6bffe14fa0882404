// The search service editor's rules: what each row may change, the refusals beside each
// field, and the order of the services.
#include <gtest/gtest.h>

#include "engine_editor.h"

namespace brimlet {
namespace {

std::unique_ptr<SearchEngineList> Catalogue() {
  auto list = std::make_unique<SearchEngineList>();
  for (const char16_t* guid : {u"{C1}", u"{C2}"}) {
    SearchEngineFields fields;
    fields.guid = guid;
    fields.name = std::u16string(u"catalogue ") + guid;
    fields.host = u"http://c.example";
    list->Add(std::make_unique<SearchEngineItem>(fields, nullptr));
  }
  return list;
}

TEST(EngineEditor, RefusesEachBadFieldWithAMessageBesideIt) {
  auto catalogue = Catalogue();
  EngineEditor editor(catalogue.get(), {{}, {{u"{C1}", u"w"}}});
  struct Case {
    UserEngine form;
    std::optional<EngineField> field;
  };
  const Case cases[] = {
      {{u"", u"n", u"http://a/?q=%s", u"utf-8", u""}, std::nullopt},  // "%s" as browsers write it
      {{u"", u"", u"http://a/?q=%s", u"utf-8", u""}, EngineField::kName},
      {{u"", u"n", u"ftp://a/?q=%s", u"utf-8", u""}, EngineField::kUrl},
      {{u"", u"n", u"", u"utf-8", u""}, EngineField::kUrl},
      {{u"", u"n", u"http://a/", u"utf-8", u""}, EngineField::kUrl},
      {{u"", u"n", u"http://a/%s", u"utf-8", u"Ｗ"}, EngineField::kKeyword},  // taken
      {{u"", u"n", u"http://a/%s", u"utf-8", u"a b"}, EngineField::kKeyword},
      {{u"", u"n", u"http://a/%s", u"utf-8", u"12345678901234567"}, EngineField::kKeyword},
  };
  for (const Case& c : cases) {
    const auto refusal = editor.Check(c.form, std::nullopt);
    ASSERT_EQ(refusal.has_value(), c.field.has_value()) << ::testing::PrintToString(c.form.url);
    if (refusal) {
      EXPECT_EQ(refusal->field, *c.field);
      EXPECT_FALSE(refusal->message.empty());
    }
  }
  // The catalogue engine itself may keep its keyword; its name and address are not checked.
  EXPECT_FALSE(editor.Check({u"", u"", u"", u"utf-8", u"W"}, 0));
}

TEST(EngineEditor, CatalogueRowsChangeTheirKeywordOnlyAndServicesMoveAmongThemselves) {
  auto catalogue = Catalogue();
  EngineEditor editor(catalogue.get(), {});
  ASSERT_EQ(editor.Apply({u"{A}", u"一", u"http://a/?q=%s", u"shift_jis", u"a"}, std::nullopt), 2u);
  ASSERT_EQ(editor.Apply({u"{B}", u"二", u"http://b/{searchTerms}", u"utf-8", u""}, std::nullopt), 3u);
  EXPECT_EQ(editor.Customisation().services[0].url, u"http://a/?q={searchTerms}");
  ASSERT_EQ(editor.Apply({u"", u"ignored", u"", u"utf-8", u"g"}, 1), 1u);
  EXPECT_EQ(editor.RowAt(1).name, u"catalogue {C2}");
  EXPECT_EQ(editor.RowAt(1).keyword, u"g");
  ASSERT_EQ(editor.Customisation().keywords.size(), 1u);
  EXPECT_EQ(editor.Customisation().keywords[0].guid, u"{C2}");
  ASSERT_EQ(editor.Apply({u"", u"", u"", u"utf-8", u""}, 1), 1u);  // keyword removed
  EXPECT_TRUE(editor.Customisation().keywords.empty());

  EXPECT_FALSE(editor.Remove(0));
  EXPECT_FALSE(editor.Move(1, false));   // catalogue rows stay
  EXPECT_FALSE(editor.Move(2, true));    // the first service cannot go above the catalogue
  EXPECT_EQ(editor.Move(2, false), 3u);
  EXPECT_EQ(editor.RowAt(2).name, u"二");
  // Editing keeps the guid.
  ASSERT_EQ(editor.Apply({u"", u"二'", u"http://b2/%s", u"euc-jp", u""}, 2), 2u);
  EXPECT_EQ(editor.Customisation().services[0].guid, u"{B}");
  EXPECT_TRUE(editor.Remove(3));
  EXPECT_EQ(editor.Count(), 3u);
}

TEST(EngineEditor, ASuggestionAddressStaysOnlyWhileTheSearchAddressDoes) {
  auto catalogue = Catalogue();
  EngineCustomisation start;
  start.services = {{u"{A}", u"一", u"http://a/?q={searchTerms}", u"utf-8", u"",
                     u"http://a/complete?q={searchTerms}"}};
  EngineEditor editor(catalogue.get(), start);
  UserEngine renamed = editor.EngineAt(2);
  renamed.name = u"一'";
  ASSERT_EQ(editor.Apply(renamed, 2), 2u);
  EXPECT_EQ(editor.Customisation().services[0].suggestUrl, u"http://a/complete?q={searchTerms}");
  UserEngine moved = editor.EngineAt(2);
  moved.url = u"http://elsewhere/?q=%s";
  ASSERT_EQ(editor.Apply(moved, 2), 2u);
  EXPECT_EQ(editor.Customisation().services[0].suggestUrl, u"");
}

}  // namespace
}  // namespace brimlet
