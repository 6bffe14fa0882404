// The signature encodings between openssl's output and the platform's verifier, the
// statement file beside a signed download, and what binds a statement to its file.
#include "catalogue_signature.h"

#include <gtest/gtest.h>

#include <string>
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

TEST(CatalogueSignature, StrictVersion) {
  EXPECT_EQ(ParseStrictVersion("1.6.0.28"), ParseVersionNumber(u"1.6.0.28"));
  EXPECT_EQ(ParseStrictVersion("99"), ParseVersionNumber(u"99"));
  EXPECT_EQ(ParseStrictVersion("65535.65535.65535.65535"), ~VersionNumber{0});
  for (const char* bad : {"", ".", "1.", ".1", "1..2", "1.2.3.4.5", "65536", "1.2.99999",
                          "000001", "1.x", "-1", "+1", " 1", "1 ", "1,2"}) {
    EXPECT_FALSE(ParseStrictVersion(bad)) << bad;
  }
}

std::string Hex(const std::vector<std::byte>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::byte b : bytes) {
    out += digits[static_cast<int>(b) >> 4];
    out += digits[static_cast<int>(b) & 15];
  }
  return out;
}

const std::string kDigestHex(64, '7');  // 32 bytes of 0x77

std::string SignedPart(const std::string& purpose = "catalogue", const std::string& partner = "AP",
                       const std::string& version = "version 1.2.0.3\n") {
  return "brimlet-signature 1\nfor " + purpose + "\npartner " + partner + "\n" + version +
         "sha256 " + kDigestHex + "\n";
}

std::string SignatureLine() {
  return "ecdsa-p256 " + Hex(Sequence(Integer(32, 1), Integer(32, 2))) + "\n";
}

std::vector<std::byte> File(const std::string& text) {
  std::vector<std::byte> out(text.size());
  for (size_t i = 0; i < text.size(); ++i) out[i] = static_cast<std::byte>(text[i]);
  return out;
}

TEST(CatalogueSignature, StatementFile) {
  const std::string catalogue = SignedPart() + SignatureLine();
  const auto statement = ParseSignedStatement(File(catalogue));
  ASSERT_TRUE(statement);
  EXPECT_EQ(statement->purpose, SignedPurpose::kCatalogue);
  EXPECT_EQ(statement->partner, u"AP");
  EXPECT_EQ(statement->version, ParseVersionNumber(u"1.2.0.3"));
  EXPECT_EQ(statement->digest[31], std::byte{0x77});
  EXPECT_EQ(statement->signature[0], std::byte{0x01});
  EXPECT_EQ(statement->signature[63], std::byte{0x11});
  EXPECT_EQ(statement->signedLength, SignedPart().size());

  const auto notice = ParseSignedStatement(File(SignedPart("notice", "", "") + SignatureLine()));
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->purpose, SignedPurpose::kNotice);
  EXPECT_EQ(notice->partner, u"");

  std::string upper = catalogue;
  upper[upper.find(kDigestHex)] = 'A';
  const std::string bad[] = {
      "",
      "brimlet-signature 2\n" + catalogue.substr(catalogue.find('\n') + 1),
      SignedPart("update") + SignatureLine(),
      SignedPart("catalogue", "A/P") + SignatureLine(),
      SignedPart("catalogue", std::string(65, 'a')) + SignatureLine(),
      SignedPart("catalogue", "AP", "") + SignatureLine(),                    // no version
      SignedPart("notice", "AP", "version 1.2\n") + SignatureLine(),          // a version
      SignedPart("catalogue", "AP", "version 1.2.65536\n") + SignatureLine(),  // cut
      SignedPart(),                                                            // unsigned
      SignedPart() + SignatureLine() + "extra\n",
      SignedPart() + SignatureLine().substr(0, SignatureLine().size() - 1),  // no last newline
      SignedPart() + "ecdsa-p256 3006020101020101ff\n",                      // not DER
      SignedPart() + "ecdsa-p256 " + std::string(146, '1') + "\n",           // too long
      upper,
      "for catalogue\n" + catalogue,
      [&] {
        std::string crlf = catalogue;
        crlf.insert(crlf.find('\n'), "\r");
        return crlf;
      }(),
      catalogue + std::string(1024, ' '),
  };
  for (const std::string& text : bad) EXPECT_FALSE(ParseSignedStatement(File(text))) << text;
}

// Digests are the first content byte repeated; a signature verifies when the signed bytes
// are those it was told to accept.
class FakeVerifier final : public ISignatureVerifier {
 public:
  std::string accepts;
  std::optional<std::array<std::byte, 32>> Sha256(std::span<const std::byte> data) noexcept override {
    std::array<std::byte, 32> digest{};
    digest.fill(data.empty() ? std::byte{0} : data[0]);
    return digest;
  }
  bool Verify(std::span<const std::byte> signedBytes,
              const std::array<std::byte, 64>&) noexcept override {
    return std::string(reinterpret_cast<const char*>(signedBytes.data()), signedBytes.size()) ==
           accepts;
  }
};

TEST(CatalogueSignature, CheckBindsPurposePartnerAndContent) {
  FakeVerifier verifier;
  verifier.accepts = SignedPart();
  const std::vector<std::byte> content = File("wcabinet");  // digest 0x77..., as signed
  const std::vector<std::byte> otherContent = File("xcabinet");
  const auto good = File(SignedPart() + SignatureLine());
  struct Case {
    const char* name;
    bool hasVerifier;
    bool allowUnsigned;
    std::optional<std::vector<std::byte>> statement;
    SignedPurpose purpose;
    std::u16string partner;
    const std::vector<std::byte>* content;
    SignatureVerdict verdict;
  } cases[] = {
      {"signed", true, false, good, SignedPurpose::kCatalogue, u"AP", &content,
       SignatureVerdict::kSigned},
      {"no key", false, false, good, SignedPurpose::kCatalogue, u"AP", &content,
       SignatureVerdict::kNoKey},
      {"no key, unsigned allowed", false, true, std::nullopt, SignedPurpose::kCatalogue, u"AP",
       &content, SignatureVerdict::kUnsignedAllowed},
      {"no statement", true, false, std::nullopt, SignedPurpose::kCatalogue, u"AP", &content,
       SignatureVerdict::kMissing},
      {"no statement, unsigned allowed", true, true, std::nullopt, SignedPurpose::kCatalogue, u"AP",
       &content, SignatureVerdict::kUnsignedAllowed},
      {"malformed, even where unsigned is allowed", true, true, File("brimlet-signature 1\n"),
       SignedPurpose::kCatalogue, u"AP", &content, SignatureVerdict::kMalformed},
      {"signed with another key", true, false, File(SignedPart("catalogue", "AQ") + SignatureLine()),
       SignedPurpose::kCatalogue, u"AQ", &content, SignatureVerdict::kBadSignature},
      {"a notice's statement for a cabinet", true, false, good, SignedPurpose::kNotice, u"AP",
       &content, SignatureVerdict::kOtherPurpose},
      {"another partner's cabinet", true, false, good, SignedPurpose::kCatalogue, u"BP", &content,
       SignatureVerdict::kOtherPartner},
      {"partner compared exactly", true, false, good, SignedPurpose::kCatalogue, u"ap", &content,
       SignatureVerdict::kOtherPartner},
      {"changed cabinet", true, false, good, SignedPurpose::kCatalogue, u"AP", &otherContent,
       SignatureVerdict::kOtherContent},
  };
  for (const Case& c : cases) {
    const SignaturePolicy policy{c.hasVerifier ? &verifier : nullptr, c.allowUnsigned};
    const SignatureCheck check = CheckSignature(policy, c.purpose, c.partner, *c.content, c.statement);
    EXPECT_EQ(check.verdict, c.verdict) << c.name;
    EXPECT_EQ(check.accepted(), c.verdict == SignatureVerdict::kSigned ||
                                    c.verdict == SignatureVerdict::kUnsignedAllowed)
        << c.name;
    EXPECT_FALSE(DescribeSignature(check.verdict).empty()) << c.name;
    if (c.verdict == SignatureVerdict::kSigned) {
      EXPECT_EQ(check.version, ParseVersionNumber(u"1.2.0.3")) << c.name;
    }
  }
}

}  // namespace
}  // namespace brimlet
