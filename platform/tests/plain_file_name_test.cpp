#include "text/plain_file_name.h"

#include <gtest/gtest.h>

namespace brimlet {
namespace {

TEST(PlainFileName, OnlyANameThatStaysInItsFolderPasses) {
  struct Case {
    std::u16string_view name;
    bool plain;
  };
  const Case cases[] = {
      {u"dictionary.png", true},
      {u"検索.ico", true},
      {u"a.b.c", true},
      {u"{4F2A}", true},
      {u"", false},
      {u".", false},
      {u"..", false},
      {u"..\\..\\x.png", false},
      {u"../x.png", false},
      {u"image\\x.png", false},
      {u"sub/x.png", false},
      {u"C:x.png", false},
      {u"x.png:stream", false},
      {u"\\\\server\\share", false},
      {u"a..png", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsPlainFileName(c.name), c.plain) << std::string(c.name.begin(), c.name.end());
  }
}

}  // namespace
}  // namespace brimlet
