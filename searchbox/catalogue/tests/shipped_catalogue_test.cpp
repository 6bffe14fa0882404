// The catalogue that ships beside Brimlet.exe: it loads with the build's XML adapter and
// every engine builds a working address and has its own 16x16 icon.
#include <gtest/gtest.h>

#include <set>

#include "catalogue_reader.h"
#include "search_url.h"
#include "testing/adapters_under_test.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

const std::u16string kFolder = BRIMLET_SHIPPED_CATALOGUE_DIR;

uint32_t BigEndian32(const std::vector<std::byte>& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint32_t>(bytes[at + i]);
  return value;
}

TEST(ShippedCatalogue, LoadsAndBuildsAnAddressForEveryEngine) {
  auto files = testing::MakeFileSystem();
  auto parser = testing::MakeXmlParser();
  auto converter = testing::MakeCodePageConverter();
  auto list = LoadCatalogue(*files, *parser, u"", kFolder);
  ASSERT_TRUE(list) << testing::AdapterFamily();
  EXPECT_GE(list->GetCount(), 8u);
  EXPECT_LE(list->GetCount(), 12u);
  ASSERT_NE(list->GetDefault(), nullptr);

  std::set<std::u16string> guids, images;
  for (size_t i = 0; i < list->GetCount(); ++i) {
    const ISearchEngineItem* engine = list->GetAt(i);
    const std::string name = Utf16ToUtf8(engine->GetName());
    EXPECT_TRUE(guids.insert(ToUpperAscii(engine->GetGuid())).second) << name;
    EXPECT_TRUE(images.insert(engine->GetImage()).second) << name;

    const std::u16string url = BuildSearchUrl(*converter, *engine, u"東京 天気");
    EXPECT_EQ(url.rfind(u"https://", 0), 0u) << name;
    EXPECT_NE(url.find(u"%e6%9d%b1%e4%ba%ac%20%e5%a4%a9%e6%b0%97"), std::u16string::npos)
        << Utf16ToUtf8(url);
    EXPECT_EQ(url.find_first_of(u" \"<>\\^`{|}"), std::u16string::npos) << Utf16ToUtf8(url);

    if (!engine->GetSuggestionsUrl().empty()) {
      const auto suggestion = BuildSuggestionUrl(*converter, engine->GetSuggestionsUrl(), u"東京");
      ASSERT_TRUE(suggestion) << name;
      EXPECT_EQ(suggestion->rfind(u"https://", 0), 0u) << name;
      EXPECT_NE(suggestion->find(u"%e6%9d%b1%e4%ba%ac"), std::u16string::npos) << name;
    }

    // A PNG whose header says 16 x 16.
    const auto icon = files->ReadFile(engine->GetImagePath(), 64 * 1024);
    ASSERT_TRUE(icon) << Utf16ToUtf8(engine->GetImagePath());
    ASSERT_GT(icon->size(), 24u);
    EXPECT_EQ(static_cast<unsigned char>((*icon)[1]), 'P') << name;
    EXPECT_EQ(BigEndian32(*icon, 16), 16u) << name;
    EXPECT_EQ(BigEndian32(*icon, 20), 16u) << name;
  }
}

}  // namespace
}  // namespace brimlet
