// Contract of the code-page adapters: the conversions search addresses are built from.
#include <gtest/gtest.h>

#include "testing/adapters_under_test.h"

#ifdef _WIN32
#include "win32/win32_codepage.h"
#endif

namespace brimlet {
namespace {

TEST(CodePageContract, FromUtf16) {
  auto converter = testing::MakeCodePageConverter();
  struct Case {
    std::u16string text;
    uint32_t codePage;
    std::string bytes;
  };
  const Case cases[] = {
      {u"abc def", code_page::kUtf8, "abc def"},
      {u"あ", code_page::kUtf8, "\xe3\x81\x82"},
      {u"\U0001F600", code_page::kUtf8, "\xf0\x9f\x98\x80"},
      {u"a\xd800z", code_page::kUtf8, "a\xef\xbf\xbdz"},  // unpaired surrogate
      {u"あ", code_page::kEucJp, "\xa4\xa2"},
      {u"検索エンジン", code_page::kEucJp, "\xb8\xa1\xba\xf7\xa5\xa8\xa5\xf3\xa5\xb8\xa5\xf3"},
      {u"あ", code_page::kShiftJis, "\x82\xa0"},
      {u"あ", code_page::kAnsi, "\x82\xa0"},
      {u"テスト", code_page::kAnsi, "\x83\x65\x83\x58\x83\x67"},
      {u"ｱ～50%", code_page::kShiftJis,
       "\xb1\x81\x60"
       "50%"},
      // Not representable: the default character, never a look-alike.
      {u"caf\u00e9", code_page::kShiftJis, "caf?"},
      {u"a\u0e01b", code_page::kEucJp, "a?b"},
      {u"x\u0e01\u0e02y", code_page::kAnsi, "x??y"},
      {u"", code_page::kAnsi, ""},
  };
  for (const Case& c : cases) {
    const auto bytes = converter->FromUtf16(c.text, c.codePage);
    ASSERT_TRUE(bytes) << c.codePage;
    EXPECT_EQ(*bytes, c.bytes) << c.codePage;
  }
  EXPECT_FALSE(converter->FromUtf16(u"x", 12345));
}

TEST(CodePageContract, ToUtf16) {
  auto converter = testing::MakeCodePageConverter();
  struct Case {
    std::string bytes;
    uint32_t codePage;
    std::optional<std::u16string> text;
  };
  const Case cases[] = {
      {"\xe3\x81\x82z", code_page::kUtf8, u"あz"},
      {"\xa4\xa2", code_page::kEucJp, u"あ"},
      {"\x82\xa0", code_page::kShiftJis, u"あ"},
      {"\x83\x65\x83\x58\x83\x67", code_page::kAnsi, u"テスト"},
      {"plain", code_page::kAnsi, u"plain"},
      // Invalid or cut off.
      {"\xc3\x28", code_page::kUtf8, std::nullopt},
      {"ab\x82", code_page::kShiftJis, std::nullopt},
      {"ab\xa4", code_page::kEucJp, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(converter->ToUtf16(c.bytes, c.codePage), c.text) << c.bytes;
  }
}

TEST(CodePageContract, JapaneseTextRoundTrips) {
  auto converter = testing::MakeCodePageConverter();
  const std::u16string text = u"日本語のテキスト、ｶﾀｶﾅ（全角）と ASCII 123";
  for (uint32_t codePage : {code_page::kUtf8, code_page::kEucJp, code_page::kShiftJis}) {
    const auto bytes = converter->FromUtf16(text, codePage);
    ASSERT_TRUE(bytes) << codePage;
    EXPECT_EQ(converter->ToUtf16(*bytes, codePage), text) << codePage;
  }
}

#ifdef _WIN32
// With "use UTF-8 for worldwide language support" the ANSI code page is 65001, which refuses
// the best-fit flag; the search must still convert. Wine ignores that option, so the test
// hands the code page in.
TEST(Win32CodePage, AnAnsiCodePageOfUtf8Converts) {
  const win32::Win32CodePageConverter utf8Ansi(65001);
  EXPECT_EQ(utf8Ansi.FromUtf16(u"東京 café", code_page::kAnsi),
            "\xe6\x9d\xb1\xe4\xba\xac caf\xc3\xa9");
  EXPECT_EQ(utf8Ansi.ToUtf16("\xe6\x9d\xb1\xe4\xba\xac", code_page::kAnsi), u"東京");
  EXPECT_EQ(utf8Ansi.ToUtf16("\xff", code_page::kAnsi), std::nullopt);
}
#endif

}  // namespace
}  // namespace brimlet
