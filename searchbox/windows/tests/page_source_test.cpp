// The skin folder, the page with the skin's address filled in, and the page's display name.
#include "page_source.h"

#include <gtest/gtest.h>

namespace brimlet {
namespace {

TEST(SkinFolderTest, FolderForEachBoxSize) {
  struct Case {
    const char* name;
    std::u16string_view programFolder;
    bool large;
    std::u16string_view expected;
  };
  const Case cases[] = {
      {"the large box", u"C:\\Apps\\Box\\", true, u"C:\\Apps\\Box\\skin\\black\\large\\"},
      {"the small box has no large folder", u"C:\\Apps\\Box\\", false,
       u"C:\\Apps\\Box\\skin\\black\\"},
      {"a missing trailing backslash is added", u"C:\\Apps\\Box", true,
       u"C:\\Apps\\Box\\skin\\black\\large\\"},
      {"non-ASCII folders are kept", u"D:\\ツール\\", false, u"D:\\ツール\\skin\\black\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SkinFolder(c.programFolder, c.large), c.expected) << c.name;
  }
}

TEST(FillPageTest, TokensBecomeTheSkinAddress) {
  const std::u16string_view skin = u"C:\\Apps\\Box\\skin\\black\\large\\";
  struct Case {
    const char* name;
    std::u16string_view page;
    std::u16string_view expected;
  };
  const Case cases[] = {
      {"one token", u"<base href=\"{BASE_LOCATION}\">",
       u"<base href=\"file:///C:\\Apps\\Box\\skin\\black\\large\\\">"},
      {"every token is replaced", u"{BASE_LOCATION}a{BASE_LOCATION}",
       u"file:///C:\\Apps\\Box\\skin\\black\\large\\afile:///C:\\Apps\\Box\\skin\\black\\large\\"},
      {"a page without the token is unchanged", u"<p>検索</p>{BASE_LOCATION",
       u"<p>検索</p>{BASE_LOCATION"},
      {"an empty page stays empty", u"", u""},
      {"tokens side by side", u"{BASE_LOCATION}{BASE_LOCATION}",
       u"file:///C:\\Apps\\Box\\skin\\black\\large\\file:///C:\\Apps\\Box\\skin\\black\\large\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(FillPage(c.page, skin), c.expected) << c.name;
}

TEST(FillPageTest, ASkinFolderHoldingTheTokenIsNotFilledAgain) {
  EXPECT_EQ(FillPage(u"[{BASE_LOCATION}]", u"C:\\{BASE_LOCATION}\\"),
            u"[file:///C:\\{BASE_LOCATION}\\]");
}

TEST(PageDisplayNameTest, SkinPageWithTheTick) {
  EXPECT_EQ(PageDisplayName(u"C:\\Apps\\Box\\skin\\black\\large\\", 123456),
            u"C:\\Apps\\Box\\skin\\black\\large\\main.html?t=123456");
  // The tick is unsigned: after 24.8 days of uptime it does not turn negative.
  EXPECT_EQ(PageDisplayName(u"C:\\", 4294967295u), u"C:\\main.html?t=4294967295");
}

}  // namespace
}  // namespace brimlet
