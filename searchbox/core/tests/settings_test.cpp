// Settings acceptance rules, on the in-memory registry natively and on the real registry
// under Wine.
#include "settings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "testing/adapters_under_test.h"

namespace brimlet {
namespace {

std::vector<std::byte> Dword(uint32_t v) {
  std::vector<std::byte> out(4);
  std::memcpy(out.data(), &v, 4);
  return out;
}
std::vector<std::byte> Qword(uint64_t v) {
  std::vector<std::byte> out(8);
  std::memcpy(out.data(), &v, 8);
  return out;
}
std::vector<std::byte> Text(std::u16string_view t, bool terminator) {
  std::vector<std::byte> out((t.size() + (terminator ? 1 : 0)) * 2);
  std::memcpy(out.data(), t.data(), t.size() * 2);
  return out;
}

ColorRef FakeWindowText() noexcept { return 0x00123456; }

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_ = testing::MakeRegistry();
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    registry_->DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
  }
  void TearDown() override {
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    registry_->DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
  }
  void Store(std::u16string_view name, uint32_t type, const std::vector<std::byte>& data) {
    ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, kSettingsKey, name, type, data));
  }
  void StoreProduct(std::u16string_view name, std::u16string_view text) {
    ASSERT_TRUE(registry_->SetValue(RegistryRoot::kLocalMachine, kProductKey, name, reg_type::kSz,
                                    Text(text, true)));
  }

  std::unique_ptr<IRegistry> registry_;
};

TEST_F(SettingsTest, DefaultsWhenNothingIsStored) {
  Settings s(*registry_, &FakeWindowText);
  EXPECT_FALSE(s.RestoreLastWindowPos());
  EXPECT_TRUE(s.UseLargeSearchBox());
  EXPECT_TRUE(s.HideAtInactivate());
  EXPECT_TRUE(s.SnapSearchBox());
  EXPECT_TRUE(s.RememberImeState());
  EXPECT_TRUE(s.UseKeyboardHook());
  EXPECT_TRUE(s.Update());
  EXPECT_TRUE(s.PrepareSearchBox());
  EXPECT_FALSE(s.RecordSearchWords());
  EXPECT_FALSE(s.SearchSuggestions());
  EXPECT_EQ(s.SearchBoxTransparency(), 100);
  EXPECT_EQ(s.SearchBoxDesign(), 0);
  EXPECT_EQ(s.KeyStroke(), 0);
  EXPECT_EQ(s.LastNotify(), 0u);
  EXPECT_EQ(s.DefaultSearchEngine(), u"");
  EXPECT_EQ(s.CustomSearchWordsColor(), 0x00123456u);  // the system colour at reading time
  EXPECT_FALSE(s.HasLastWindowPos());
  EXPECT_EQ(s.Version(), u"");
  EXPECT_EQ(s.InstalledVersionNumber(), 0u);
  EXPECT_FALSE(s.HasUpgrade());
}

TEST_F(SettingsTest, OnlyAFourByteDwordCounts) {
  struct Case {
    const char* what;
    uint32_t type;
    std::vector<std::byte> data;
    bool flag;  // "UseLargeSearchBox" (default true) as read
    int32_t keyStroke;
  };
  const std::vector<Case> cases = {
      {"dword 2", reg_type::kDword, Dword(2), true, 2},
      {"dword 0", reg_type::kDword, Dword(0), false, 0},
      {"qword 0", reg_type::kQword, Qword(0), true, 0},
      {"text", reg_type::kSz, Text(u"0", true), true, 0},
      {"binary 4 bytes", reg_type::kBinary, Dword(0), true, 0},
      {"dword of 2 bytes", reg_type::kDword, {std::byte{0}, std::byte{0}}, true, 0},
      {"dword 5", reg_type::kDword, Dword(5), true, 5},
      {"dword 6", reg_type::kDword, Dword(6), true, 0},
      {"dword -1", reg_type::kDword, Dword(0xFFFFFFFF), true, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Store(u"UseLargeSearchBox", c.type, c.data);
    Store(u"KeyStroke", c.type, c.data);
    Store(u"KeyStrokeMonthly", c.type, c.data);
    Settings s(*registry_);
    EXPECT_EQ(s.UseLargeSearchBox(), c.flag);
    EXPECT_EQ(s.KeyStroke(), c.keyStroke);
    EXPECT_EQ(s.KeyStrokeMonthly(), c.keyStroke);
  }
}

TEST_F(SettingsTest, WritersStoreTheRegistryFormat) {
  Settings s(*registry_);
  s.SetUpdate(false);
  s.SetSearchSuggestions(true);
  s.SetSearchBoxTransparency(60);
  s.SetLastSearchEngine(u"{ABC}検索");
  s.SetLastNotify(0x1'2345'6789LL);  // only the low 32 bits are kept

  auto raw = [&](std::u16string_view name) {
    return ReadRegistryValue(*registry_, RegistryRoot::kCurrentUser, kSettingsKey, name);
  };
  EXPECT_EQ(raw(u"Update")->type, reg_type::kDword);
  EXPECT_EQ(raw(u"Update")->data, Dword(0));
  EXPECT_EQ(raw(u"SearchSuggestions")->type, reg_type::kDword);
  EXPECT_EQ(raw(u"SearchSuggestions")->data, Dword(1));
  EXPECT_EQ(raw(u"SearchBoxTransparency")->data, Dword(60));
  EXPECT_EQ(raw(u"LastSearchEngine")->type, reg_type::kSz);
  EXPECT_EQ(raw(u"LastSearchEngine")->data, Text(u"{ABC}検索", false));  // no terminator
  EXPECT_EQ(raw(u"LastNotify")->data, Dword(0x23456789));

  EXPECT_FALSE(s.Update());
  EXPECT_TRUE(s.SearchSuggestions());
  EXPECT_EQ(s.LastSearchEngine(), u"{ABC}検索");
  EXPECT_EQ(s.LastNotify(), 0x23456789u);
}

TEST_F(SettingsTest, TextReadWithOrWithoutTerminatorAndOnlyAsText) {
  Store(u"DefaultSearchEngine", reg_type::kSz, Text(u"{X}", true));
  EXPECT_EQ(Settings(*registry_).DefaultSearchEngine(), u"{X}");
  Store(u"DefaultSearchEngine", reg_type::kSz, Text(u"{Y}", false));
  EXPECT_EQ(Settings(*registry_).DefaultSearchEngine(), u"{Y}");
  // The shell functions hand expandable text over as plain text.
  Store(u"DefaultSearchEngine", reg_type::kExpandSz, Text(u"{Z}", true));
  EXPECT_EQ(Settings(*registry_).DefaultSearchEngine(), u"{Z}");
  Store(u"DefaultSearchEngine", reg_type::kBinary, Text(u"{B}", true));
  EXPECT_EQ(Settings(*registry_).DefaultSearchEngine(), u"");
  Store(u"DefaultSearchEngine", reg_type::kDword, Dword(7));
  EXPECT_EQ(Settings(*registry_).DefaultSearchEngine(), u"");
}

TEST_F(SettingsTest, CountersAndStoredColourAndWindowPosition) {
  Settings s(*registry_, &FakeWindowText);
  s.SetSearch(s.Search() + 1);
  s.SetSearch(s.Search() + 1);
  EXPECT_EQ(s.Search(), 2);
  s.SetCustomSearchWordsColor(0x000000FF);
  EXPECT_EQ(s.CustomSearchWordsColor(), 0x000000FFu);

  s.SetLastWindowPosLeft(-20);
  EXPECT_FALSE(s.HasLastWindowPos());  // the top edge is still missing
  s.SetLastWindowRect({-20, 30, 400, 90});
  EXPECT_TRUE(s.HasLastWindowPos());
  EXPECT_EQ(s.LastWindowRect(), (Rect{-20, 30, 400, 90}));
  EXPECT_EQ(s.LastWindowPoint(), (Point{-20, 30}));
}

TEST_F(SettingsTest, InstalledVersionAndHelpAddress) {
  StoreProduct(u"Version", u"1.6.0.28");
  Settings s(*registry_);
  EXPECT_EQ(s.InstalledVersionNumber(), (1ULL << 48) + (6ULL << 32) + 28);
  const std::u16string help = s.HelpAddress(u"sb");
  EXPECT_NE(help.find(u"/go.phtml?type=cnt&fm=13&agent=&partner=AP&lang=utf&url="),
            std::u16string::npos);
  EXPECT_NE(help.find(u"%2fbrimletbox%2fhelp%2ehtm&name="), std::u16string::npos);
  // An empty partner leaves two underscores.
  EXPECT_TRUE(help.ends_with(u"&name=bmb__help_fr_sb_v1_6_0"));

  StoreProduct(u"Partner", u"ab_1-2");
  EXPECT_TRUE(s.HelpAddress(u"cfg").ends_with(u"&name=bmb_ab_1-2_help_fr_cfg_v1_6_0"));
  // A partner code that would reshape an address reads as missing.
  for (const char16_t* odd : {u"a&url=http://x", u"../x", u"a b", u"a/b", u"パ", u"a%20"}) {
    StoreProduct(u"Partner", odd);
    EXPECT_EQ(s.Partner(), u"");
    EXPECT_TRUE(s.HelpAddress(u"sb").ends_with(u"&name=bmb__help_fr_sb_v1_6_0"));
  }

  ASSERT_TRUE(registry_->SetValue(RegistryRoot::kLocalMachine, kProductKey, u"Upgrade",
                                  reg_type::kBinary, {}));
  EXPECT_TRUE(s.HasUpgrade());  // any type, even empty data
}

TEST(VersionNumber, ParsesLikeTheInstallerWritesIt) {
  struct Case {
    const char16_t* text;
    uint64_t value;
  } cases[] = {
      {u"1.6.0.28", (1ULL << 48) + (6ULL << 32) + 28},
      {u"", 0},
      {u"2", 2ULL << 48},
      {u"1..2", (1ULL << 48) + (2ULL << 32)},  // empty parts are skipped
      {u"1.x.3.4", (1ULL << 48) + (3ULL << 16) + 4},
      {u"65537.0.0.1", (1ULL << 48) + 1},  // low 16 bits of each part
      {u"1.2.3.4.5", (1ULL << 48) + (2ULL << 32) + (3ULL << 16) + 4},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseVersionNumber(c.text), c.value);
}

TEST(DataFolder, AddsBackslashesOnlyWhereMissing) {
  EXPECT_EQ(DataFolderFrom(u"C:\\ProgramData"),
            u"C:\\ProgramData\\Zelvo\\BrimletBox\\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}\\");
  EXPECT_EQ(DataFolderFrom(u"C:\\ProgramData\\"),
            u"C:\\ProgramData\\Zelvo\\BrimletBox\\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}\\");
}

}  // namespace
}  // namespace brimlet
