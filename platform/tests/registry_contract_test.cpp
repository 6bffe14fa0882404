// One contract for every registry adapter: the in-memory one natively, the real
// registry under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "ports/registry.h"
#include "testing/adapters_under_test.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

constexpr std::u16string_view kKey = u"Software\\Zelvo\\BrimletBoxTest\\Contract";
constexpr std::u16string_view kParent = u"Software\\Zelvo\\BrimletBoxTest";

std::vector<std::byte> Bytes(std::initializer_list<int> values) {
  std::vector<std::byte> out;
  for (int v : values) out.push_back(static_cast<std::byte>(v));
  return out;
}

std::vector<std::byte> TextBytes(std::u16string_view text, bool terminator) {
  std::vector<std::byte> out((text.size() + (terminator ? 1 : 0)) * 2);
  std::memcpy(out.data(), text.data(), text.size() * 2);
  return out;
}

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_ = testing::MakeRegistry();
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kParent);
    registry_->DeleteTree(RegistryRoot::kLocalMachine, kParent);
  }
  void TearDown() override {
    registry_->DeleteTree(RegistryRoot::kCurrentUser, kParent);
    registry_->DeleteTree(RegistryRoot::kLocalMachine, kParent);
  }
  std::unique_ptr<IRegistry> registry_;
};

TEST_F(RegistryContract, MissingKeyAndMissingValueAreNotFound) {
  EXPECT_FALSE(registry_->KeyExists(RegistryRoot::kCurrentUser, kKey));
  EXPECT_EQ(registry_->QueryValue(RegistryRoot::kCurrentUser, kKey, u"X", {}).status,
            RegistryStatus::kNotFound);
  ASSERT_TRUE(registry_->CreateKey(RegistryRoot::kCurrentUser, kKey));
  EXPECT_TRUE(registry_->KeyExists(RegistryRoot::kCurrentUser, kKey));
  EXPECT_EQ(registry_->QueryValue(RegistryRoot::kCurrentUser, kKey, u"X", {}).status,
            RegistryStatus::kNotFound);
  EXPECT_FALSE(ReadRegistryValue(*registry_, RegistryRoot::kCurrentUser, kKey, u"X"));
}

TEST_F(RegistryContract, ValuesKeepTypeAndRawBytes) {
  struct Case {
    const char16_t* name;
    uint32_t type;
    std::vector<std::byte> data;
  };
  const std::vector<Case> cases = {
      {u"Dword", reg_type::kDword, Bytes({2, 0, 0, 0})},
      {u"Qword", reg_type::kQword, Bytes({1, 2, 3, 4, 5, 6, 7, 8})},
      {u"TextNoTerminator", reg_type::kSz, TextBytes(u"検索abc", false)},
      {u"TextOddLength", reg_type::kSz, TextBytes(u"{ABC}検索", false)},
      {u"TextWithTerminator", reg_type::kSz, TextBytes(u"検索abc", true)},
      {u"Binary3", reg_type::kBinary, Bytes({0xff, 0x00, 0x7f})},
      {u"ShortDword", reg_type::kDword, Bytes({1, 0})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::AdapterFamily());
    ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, kKey, c.name, c.type, c.data));
    const RegistryQuery probe = registry_->QueryValue(RegistryRoot::kCurrentUser, kKey, c.name, {});
    EXPECT_EQ(probe.status, RegistryStatus::kOk);
    EXPECT_EQ(probe.type, c.type);
    EXPECT_EQ(probe.size, c.data.size());
    const auto value = ReadRegistryValue(*registry_, RegistryRoot::kCurrentUser, kKey, c.name);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, c.type);
    EXPECT_EQ(value->data, c.data);
  }
}

TEST_F(RegistryContract, ExpandableTextReadsAsPlainText) {
  // No variables inside, so expanding changes nothing but the reported type.
  ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, kKey, u"E", reg_type::kExpandSz,
                                  TextBytes(u"{Z}", true)));
  const auto value = ReadRegistryValue(*registry_, RegistryRoot::kCurrentUser, kKey, u"E");
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, reg_type::kSz);
  EXPECT_EQ(value->data, TextBytes(u"{Z}", true));
}

TEST_F(RegistryContract, SmallBufferReportsMoreDataAndTheSizeNeeded) {
  const auto data = Bytes({1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, kKey, u"Q", reg_type::kQword, data));
  std::array<std::byte, 4> small{};
  const RegistryQuery q = registry_->QueryValue(RegistryRoot::kCurrentUser, kKey, u"Q", small);
  EXPECT_EQ(q.status, RegistryStatus::kMoreData);
  EXPECT_EQ(q.size, 8u);
  std::array<std::byte, 16> large{};
  const RegistryQuery ok = registry_->QueryValue(RegistryRoot::kCurrentUser, kKey, u"Q", large);
  EXPECT_EQ(ok.status, RegistryStatus::kOk);
  EXPECT_EQ(ok.size, 8u);
  EXPECT_EQ(std::to_integer<int>(large[7]), 8);
}

TEST_F(RegistryContract, NamesIgnoreCaseAndRootsAreSeparate) {
  ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, kKey, u"KeyStroke", reg_type::kDword,
                                  Bytes({3, 0, 0, 0})));
  EXPECT_EQ(registry_
                ->QueryValue(RegistryRoot::kCurrentUser,
                             u"SOFTWARE\\zelvo\\brimletboxtest\\CONTRACT", u"keystroke", {})
                .status,
            RegistryStatus::kOk);
  EXPECT_EQ(registry_->QueryValue(RegistryRoot::kLocalMachine, kKey, u"KeyStroke", {}).status,
            RegistryStatus::kNotFound);
  // Overwriting keeps one value, with the new type.
  ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, kKey, u"KEYSTROKE", reg_type::kSz,
                                  TextBytes(u"1", false)));
  EXPECT_EQ(registry_->QueryValue(RegistryRoot::kCurrentUser, kKey, u"KeyStroke", {}).type,
            reg_type::kSz);
}

TEST_F(RegistryContract, DeletingValuesAndTrees) {
  const auto one = Bytes({1, 0, 0, 0});
  ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, kKey, u"A", reg_type::kDword, one));
  ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, std::u16string(kKey) + u"\\Sub", u"B",
                                  reg_type::kDword, one));
  EXPECT_TRUE(registry_->KeyExists(RegistryRoot::kCurrentUser, kParent));  // parents created
  EXPECT_TRUE(registry_->DeleteValue(RegistryRoot::kCurrentUser, kKey, u"A"));
  EXPECT_FALSE(registry_->DeleteValue(RegistryRoot::kCurrentUser, kKey, u"A"));
  EXPECT_TRUE(registry_->KeyExists(RegistryRoot::kCurrentUser, kKey));  // key stays
  EXPECT_TRUE(registry_->DeleteTree(RegistryRoot::kCurrentUser, kKey));
  EXPECT_FALSE(registry_->KeyExists(RegistryRoot::kCurrentUser, kKey));
  EXPECT_FALSE(registry_->KeyExists(RegistryRoot::kCurrentUser, std::u16string(kKey) + u"\\Sub"));
  EXPECT_TRUE(registry_->KeyExists(RegistryRoot::kCurrentUser, kParent));
  EXPECT_FALSE(registry_->DeleteTree(RegistryRoot::kCurrentUser, kKey));
}

TEST_F(RegistryContract, ListsDirectSubkeysAndValueNames) {
  const auto one = Bytes({1, 0, 0, 0});
  const std::u16string key(kKey);
  ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, key, u"First", reg_type::kDword, one));
  ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, key, u"Second", reg_type::kDword, one));
  ASSERT_TRUE(registry_->SetValue(RegistryRoot::kCurrentUser, key + u"\\{A1}\\Deep", u"X",
                                  reg_type::kDword, one));
  ASSERT_TRUE(registry_->CreateKey(RegistryRoot::kCurrentUser, key + u"\\{B2}"));
  auto upper = [](std::vector<std::u16string> names) {
    for (auto& name : names) name = ToUpperAscii(name);
    std::sort(names.begin(), names.end());
    return names;
  };
  EXPECT_EQ(upper(registry_->SubkeyNames(RegistryRoot::kCurrentUser, key)),
            (std::vector<std::u16string>{u"{A1}", u"{B2}"}));
  EXPECT_EQ(upper(registry_->ValueNames(RegistryRoot::kCurrentUser, key)),
            (std::vector<std::u16string>{u"FIRST", u"SECOND"}));
  EXPECT_TRUE(registry_->SubkeyNames(RegistryRoot::kCurrentUser, key + u"\\Missing").empty());
  EXPECT_TRUE(registry_->ValueNames(RegistryRoot::kLocalMachine, key).empty());
}

}  // namespace
}  // namespace brimlet
