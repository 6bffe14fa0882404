// The signature encodings between openssl's output and the platform's verifier.
#include "catalogue_signature.h"

#include <gtest/gtest.h>

#include <vector>

namespace brimlet {
namespace {

std::vector<std::byte> Bytes(std::initializer_list<int> values) {
  std::vector<std::byte> out;
  for (int v : values) out.push_back(static_cast<std::byte>(v));
  return out;
}

// INTEGER of `length` bytes, the first `first`, the rest 0x11.
std::vector<int> Integer(int length, int first) {
  std::vector<int> out = {0x02, length, first};
  out.resize(2 + length, 0x11);
  return out;
}

std::vector<std::byte> Sequence(std::vector<int> r, std::vector<int> s) {
  std::vector<std::byte> out = {std::byte{0x30}, static_cast<std::byte>(r.size() + s.size())};
  for (int v : r) out.push_back(static_cast<std::byte>(v));
  for (int v : s) out.push_back(static_cast<std::byte>(v));
  return out;
}

TEST(CatalogueSignature, DerToRaw) {
  // r with a leading zero (its top bit set), s shorter than 32 bytes: both padded to 32.
  std::vector<int> r = Integer(33, 0x00);
  r[3] = 0x80;
  const auto raw = DerSignatureToRaw(Sequence(r, Integer(31, 0x22)));
  ASSERT_TRUE(raw);
  EXPECT_EQ((*raw)[0], std::byte{0x80});
  EXPECT_EQ((*raw)[31], std::byte{0x11});
  EXPECT_EQ((*raw)[32], std::byte{0x00});
  EXPECT_EQ((*raw)[33], std::byte{0x22});
  EXPECT_EQ((*raw)[63], std::byte{0x11});

  auto trailing = Sequence(Integer(32, 1), Integer(32, 1));
  trailing.push_back(std::byte{0});
  const std::vector<std::byte> bad[] = {
      {},
      Bytes({0x30, 0x00}),
      Sequence(Integer(33, 0x01), Integer(32, 1)),  // r longer than 32 bytes
      Sequence(Integer(32, 0x81), Integer(32, 1)),  // negative
      Sequence(Integer(32, 1), {}),                 // s missing
      trailing,
      Bytes({0x31, 0x06, 0x02, 0x01, 0x01, 0x02, 0x01, 0x01}),        // a SET
      Bytes({0x30, 0x81, 0x06, 0x02, 0x01, 0x01, 0x02, 0x01, 0x01}),  // long form too early
  };
  for (const auto& der : bad) EXPECT_FALSE(DerSignatureToRaw(der)) << der.size();
}

TEST(CatalogueSignature, PublicKeyHex) {
  const std::string good = "04" + std::string(128, 'a');
  const auto key = ParsePublicKeyHex(good);
  ASSERT_TRUE(key);
  EXPECT_EQ((*key)[0], std::byte{0x04});
  EXPECT_EQ((*key)[64], std::byte{0xaa});
  for (const std::string& bad : {std::string(), "03" + std::string(128, 'a'), good.substr(1),
                                 good + "0", "04" + std::string(127, 'a') + "g"}) {
    EXPECT_FALSE(ParsePublicKeyHex(bad)) << bad;
  }
}

}  // namespace
}  // namespace brimlet
