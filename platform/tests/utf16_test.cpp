#include <gtest/gtest.h>

#include "text/utf16.h"

namespace brimlet {
namespace {

TEST(Utf16, CaseFoldingTouchesOnlyAsciiLetters) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase(u"{abc-Def}", u"{ABC-dEF}"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"ａ", u"Ａ"));  // full-width letters stay distinct
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"é", u"É"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase(u"ab", u"abc"));
}

TEST(Utf16, Utf8RoundTripAndMalformedInput) {
  const std::u16string text = u"検索 abc 😀";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"検"), "\xE6\xA4\x9C");
  EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD");    // overlong
  EXPECT_EQ(Utf8ToUtf16("a\xE6\xA4"), u"a\uFFFD\uFFFD");  // truncated
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Utf16, DecimalPrefixLikeTheRuntime) {
  struct Case {
    const char16_t* text;
    int64_t value;
  } cases[] = {{u"28", 28}, {u"  7x", 7}, {u"-3", -3}, {u"", 0},
               {u"abc", 0}, {u"+12", 12}, {u"1.5", 1}, {u"65537", 65537}};
  for (const auto& c : cases) EXPECT_EQ(ParseDecimalPrefix(c.text), c.value) << c.value;
}

}  // namespace
}  // namespace brimlet
