// The suggestion answer reader: a table of answers as a service (or an attacker) sends them.
#include "suggestion_answer.h"

#include <gtest/gtest.h>

#include "text/utf16.h"

namespace brimlet {
namespace {

using Words = std::vector<std::u16string>;

TEST(SuggestionAnswer, ReadsOnlyTheOpenSearchShapeForTheRequestedWords) {
  struct Case {
    const char* what;
    std::string answer;
    Words expected;
  } cases[] = {
      {"the usual answer",
       R"(["tokyo",["tokyo tower","tokyo station"]])",
       {u"tokyo tower", u"tokyo station"}},
      {"descriptions and addresses after the list are ignored",
       R"(["tokyo",["tokyo tower"],["a tower"],["https://example.test/"]])",
       {u"tokyo tower"}},
      {"no suggestions", R"(["tokyo",[]])", {}},
      {"escapes and non-ASCII text",
       R"(["tokyo",["\u6771\u4eac","東京駅","\ud83d\uddfc"]])",
       {u"東京", u"東京駅", u"\U0001F5FC"}},
      {"a leading byte-order mark", "\xEF\xBB\xBF[\"tokyo\",[\"tokyo tower\"]]", {u"tokyo tower"}},
      {"other words than requested", R"(["tok",["tokyo tower"]])", {}},
      {"requested words in another case", R"(["Tokyo",["tokyo tower"]])", {}},
      {"query not a string", R"([1,["tokyo tower"]])", {}},
      {"no list", R"(["tokyo"])", {}},
      {"list not an array", R"(["tokyo","tokyo tower"])", {}},
      {"a suggestion that is not a string", R"(["tokyo",["tokyo tower",3]])", {}},
      {"an object", R"({"q":"tokyo","s":["tokyo tower"]})", {}},
      {"truncated", R"(["tokyo",["tokyo tower")", {}},
      {"trailing garbage", R"(["tokyo",["tokyo tower"]]x)", {}},
      {"empty", "", {}},
      {"ill-formed UTF-8", "[\"tokyo\",[\"\xFF\"]]", {}},
      {"a lone surrogate escape", R"(["tokyo",["\ud800"]])", {}},
      {"control characters and separators dropped",
       "[\"tokyo\",[\"to\\u0000ky\\to\\n\",\"a\\u2028b\\u202Ec\",\"x\\u0085\\u009fy\\u007f\"]]",
       {u"tokyo", u"abc", u"xy"}},
      {"empty once cleaned: skipped", R"(["tokyo",["\r\n","","ok"]])", {u"ok"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ReadSuggestionAnswer(c.answer, u"tokyo"), c.expected);
  }
  EXPECT_EQ(ReadSuggestionAnswer(R"(["東京",["東京タワー"]])", u"東京"), Words{u"東京タワー"});
}

std::string AnswerOf(const std::vector<std::string>& suggestions) {
  std::string answer = R"(["q",[)";
  for (size_t i = 0; i < suggestions.size(); ++i) {
    if (i) answer += ',';
    answer.append(1, '"').append(suggestions[i]).append(1, '"');
  }
  answer.append("]]");
  return answer;
}

TEST(SuggestionAnswer, KeepsTenSuggestionsOf256CodeUnitsAndNoAnswerOver64KB) {
  std::vector<std::string> twelve;
  // Built by append: g++ 12 at -O3 warns falsely (-Wrestrict) on "s" + std::to_string(i).
  for (int i = 0; i < 12; ++i) twelve.push_back(std::string("s").append(std::to_string(i)));
  const Words first10 = ReadSuggestionAnswer(AnswerOf(twelve), u"q");
  ASSERT_EQ(first10.size(), kMaxServiceSuggestions);
  EXPECT_EQ(first10.back(), u"s9");

  // 256 code units pass; 257 are skipped, not cut. A character beyond U+FFFF is two units.
  const std::string at256(256, 'a');
  const std::string at257(257, 'b');
  const std::string pairs128 = [] {
    std::string s;
    for (int i = 0; i < 128; ++i) s += "\xF0\x9F\x97\xBC";
    return s;
  }();
  const std::string pairs129 = pairs128 + "\xF0\x9F\x97\xBC";
  const Words lengths = ReadSuggestionAnswer(AnswerOf({at257, at256, pairs129, pairs128}), u"q");
  ASSERT_EQ(lengths.size(), 2u);
  EXPECT_EQ(lengths[0], Utf8ToUtf16(at256));
  EXPECT_EQ(lengths[1], Utf8ToUtf16(pairs128));
  // A 256-unit suggestion that is longer before its control characters are dropped.
  EXPECT_EQ(ReadSuggestionAnswer(AnswerOf({at256 + "\\t\\t"}), u"q").size(), 1u);

  // Filler inside the answer itself brings it to exactly 64 KB, then one byte over.
  const std::string head = R"(["q",["ok"])";
  const std::string tail = "]";
  const auto padded = [&](size_t size) {
    return std::string(head).append(size - head.size() - tail.size(), ' ').append(tail);
  };
  ASSERT_EQ(padded(kMaxSuggestionAnswerBytes).size(), kMaxSuggestionAnswerBytes);
  EXPECT_EQ(ReadSuggestionAnswer(padded(kMaxSuggestionAnswerBytes), u"q"), Words{u"ok"});
  EXPECT_TRUE(ReadSuggestionAnswer(padded(kMaxSuggestionAnswerBytes + 1), u"q").empty());
}

TEST(SuggestionAnswer, DeepNestingIsRefusedWithoutCrashing) {
  const size_t depth = kMaxSuggestionAnswerBytes / 2 - 8;
  const std::string nested = "[\"q\",[" + std::string(depth, '[') + std::string(depth, ']') + "]]";
  ASSERT_LE(nested.size(), kMaxSuggestionAnswerBytes);
  EXPECT_TRUE(ReadSuggestionAnswer(nested, u"q").empty());
}

}  // namespace
}  // namespace brimlet
