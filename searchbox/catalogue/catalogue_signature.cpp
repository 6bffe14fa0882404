#include "catalogue_signature.h"

#include <cstdint>
#include <cstring>

namespace brimlet {
namespace {

// Reads one definite length of at most two bytes; DER never needs more here.
bool ReadLength(std::span<const std::byte> der, size_t& pos, size_t& length) noexcept {
  if (pos >= der.size()) return false;
  const auto first = static_cast<uint8_t>(der[pos++]);
  if (first < 0x80) {
    length = first;
    return true;
  }
  const size_t count = first & 0x7F;
  if (count == 0 || count > 2 || pos + count > der.size()) return false;
  length = 0;
  for (size_t i = 0; i < count; ++i) length = (length << 8) | static_cast<uint8_t>(der[pos++]);
  return length >= 0x80;  // shorter lengths must use the short form
}

bool ReadInteger(std::span<const std::byte> der, size_t& pos, std::byte* out) noexcept {
  if (pos >= der.size() || der[pos++] != std::byte{0x02}) return false;
  size_t length = 0;
  if (!ReadLength(der, pos, length) || length == 0 || pos + length > der.size()) return false;
  std::span<const std::byte> value = der.subspan(pos, length);
  pos += length;
  if ((static_cast<uint8_t>(value[0]) & 0x80) != 0) return false;  // negative
  while (value.size() > 1 && value[0] == std::byte{0}) value = value.subspan(1);
  if (value.size() > 32) return false;
  for (size_t i = 0; i < 32; ++i) out[i] = std::byte{0};
  for (size_t i = 0; i < value.size(); ++i) out[32 - value.size() + i] = value[i];
  return true;
}

int HexDigit(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Lower-case hexadecimal of `out.size()` bytes, nothing else.
bool ParseLowerHex(std::string_view hex, std::span<std::byte> out) noexcept {
  if (hex.size() != 2 * out.size()) return false;
  for (size_t i = 0; i < out.size(); ++i) {
    const char high = hex[2 * i], low = hex[2 * i + 1];
    if ((high >= 'A' && high <= 'F') || (low >= 'A' && low <= 'F')) return false;
    const int h = HexDigit(high), l = HexDigit(low);
    if (h < 0 || l < 0) return false;
    out[i] = static_cast<std::byte>(h * 16 + l);
  }
  return true;
}

bool IsPartnerCharacter(char c) noexcept {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

// Reads the next line, which must start with `prefix`; `value` is the rest without "\n".
bool ReadLine(std::string_view text, size_t& pos, std::string_view prefix,
              std::string_view& value) noexcept {
  const size_t end = text.find('\n', pos);
  if (end == std::string_view::npos) return false;
  const std::string_view line = text.substr(pos, end - pos);
  if (line.substr(0, prefix.size()) != prefix) return false;
  value = line.substr(prefix.size());
  pos = end + 1;
  return true;
}

// A partner code is short; a longer one is no code the installer writes.
constexpr size_t kMaxPartnerLength = 64;
// A DER P-256 signature is at most 72 bytes.
constexpr size_t kMaxDerSignatureBytes = 72;

}  // namespace

std::optional<VersionNumber> ParseStrictVersion(std::string_view dotted) noexcept {
  VersionNumber result = 0;
  int parts = 0;
  size_t pos = 0;
  for (;;) {
    if (parts == 4) return std::nullopt;
    uint32_t value = 0;
    size_t digits = 0;
    while (pos < dotted.size() && dotted[pos] >= '0' && dotted[pos] <= '9') {
      value = value * 10 + static_cast<uint32_t>(dotted[pos++] - '0');
      if (++digits > 5 || value > 0xFFFF) return std::nullopt;
    }
    if (digits == 0) return std::nullopt;
    result |= static_cast<VersionNumber>(value) << (48 - 16 * parts++);
    if (pos == dotted.size()) return result;
    if (dotted[pos++] != '.') return std::nullopt;
  }
}

std::optional<SignedStatement> ParseSignedStatement(std::span<const std::byte> file) noexcept {
  if (file.size() > kMaxStatementBytes) return std::nullopt;
  const std::string_view text(reinterpret_cast<const char*>(file.data()), file.size());
  SignedStatement statement;
  size_t pos = 0;
  std::string_view value;
  if (!ReadLine(text, pos, "brimlet-signature ", value) || value != "1") return std::nullopt;
  if (!ReadLine(text, pos, "for ", value)) return std::nullopt;
  if (value == "catalogue") {
    statement.purpose = SignedPurpose::kCatalogue;
  } else if (value == "notice") {
    statement.purpose = SignedPurpose::kNotice;
  } else {
    return std::nullopt;
  }
  if (!ReadLine(text, pos, "partner ", value) || value.size() > kMaxPartnerLength) {
    return std::nullopt;
  }
  for (char c : value) {
    if (!IsPartnerCharacter(c)) return std::nullopt;
    statement.partner += static_cast<char16_t>(c);
  }
  if (statement.purpose == SignedPurpose::kCatalogue) {
    if (!ReadLine(text, pos, "version ", value)) return std::nullopt;
    const auto version = ParseStrictVersion(value);
    if (!version) return std::nullopt;
    statement.version = *version;
  }
  if (!ReadLine(text, pos, "sha256 ", value) || !ParseLowerHex(value, statement.digest)) {
    return std::nullopt;
  }
  statement.signedLength = pos;
  if (!ReadLine(text, pos, "ecdsa-p256 ", value) || pos != text.size() ||
      value.size() > 2 * kMaxDerSignatureBytes || value.size() % 2 != 0) {
    return std::nullopt;
  }
  std::array<std::byte, kMaxDerSignatureBytes> der{};
  const std::span<std::byte> derBytes(der.data(), value.size() / 2);
  if (!ParseLowerHex(value, derBytes)) return std::nullopt;
  const auto raw = DerSignatureToRaw(derBytes);
  if (!raw) return std::nullopt;
  statement.signature = *raw;
  return statement;
}

StatementBinding CheckStatementBinding(const SignedStatement& statement, SignedPurpose purpose,
                                       std::u16string_view partner,
                                       std::span<const std::byte, 32> contentDigest) noexcept {
  if (statement.purpose != purpose) return StatementBinding::kOtherPurpose;
  if (statement.partner != partner) return StatementBinding::kOtherPartner;
  if (std::memcmp(statement.digest.data(), contentDigest.data(), contentDigest.size()) != 0) {
    return StatementBinding::kOtherContent;
  }
  return StatementBinding::kBound;
}

std::u16string_view DescribeBinding(StatementBinding binding) noexcept {
  switch (binding) {
    case StatementBinding::kBound:
      return u"bound";
    case StatementBinding::kOtherPurpose:
      return u"the signature is for another kind of file";
    case StatementBinding::kOtherPartner:
      return u"the signature is for another partner";
    case StatementBinding::kOtherContent:
      return u"the signature is for other content";
  }
  return u"";
}

SignatureCheck CheckSignature(const SignaturePolicy& policy, SignedPurpose purpose,
                              std::u16string_view partner, std::span<const std::byte> content,
                              const std::optional<std::vector<std::byte>>& statementFile) noexcept {
  if (!policy.verifier) {
    return {policy.allowUnsigned ? SignatureVerdict::kUnsignedAllowed : SignatureVerdict::kNoKey};
  }
  if (!statementFile) {
    return {policy.allowUnsigned ? SignatureVerdict::kUnsignedAllowed : SignatureVerdict::kMissing};
  }
  const auto statement = ParseSignedStatement(*statementFile);
  if (!statement) return {SignatureVerdict::kMalformed};
  if (!policy.verifier->Verify(std::span(*statementFile).first(statement->signedLength),
                               statement->signature)) {
    return {SignatureVerdict::kBadSignature};
  }
  const auto digest = policy.verifier->Sha256(content);
  if (!digest) return {SignatureVerdict::kBadSignature};
  switch (CheckStatementBinding(*statement, purpose, partner, *digest)) {
    case StatementBinding::kBound:
      break;
    case StatementBinding::kOtherPurpose:
      return {SignatureVerdict::kOtherPurpose};
    case StatementBinding::kOtherPartner:
      return {SignatureVerdict::kOtherPartner};
    case StatementBinding::kOtherContent:
      return {SignatureVerdict::kOtherContent};
  }
  SignatureCheck check{SignatureVerdict::kSigned};
  if (purpose == SignedPurpose::kCatalogue) check.version = statement->version;
  return check;
}

std::u16string_view DescribeSignature(SignatureVerdict verdict) noexcept {
  switch (verdict) {
    case SignatureVerdict::kSigned:
      return u"signed";
    case SignatureVerdict::kUnsignedAllowed:
      return u"unsigned, accepted by a build for local tests";
    case SignatureVerdict::kMissing:
      return u"no signature";
    case SignatureVerdict::kNoKey:
      return u"the build has no key to check the signature with";
    case SignatureVerdict::kMalformed:
      return u"the signature file is malformed";
    case SignatureVerdict::kBadSignature:
      return u"the signature does not verify";
    case SignatureVerdict::kOtherPurpose:
      return DescribeBinding(StatementBinding::kOtherPurpose);
    case SignatureVerdict::kOtherPartner:
      return DescribeBinding(StatementBinding::kOtherPartner);
    case SignatureVerdict::kOtherContent:
      return DescribeBinding(StatementBinding::kOtherContent);
  }
  return u"";
}

std::optional<std::array<std::byte, 64>> DerSignatureToRaw(
    std::span<const std::byte> der) noexcept {
  size_t pos = 0;
  if (der.empty() || der[pos++] != std::byte{0x30}) return std::nullopt;
  size_t length = 0;
  if (!ReadLength(der, pos, length) || pos + length != der.size()) return std::nullopt;
  std::array<std::byte, 64> raw{};
  if (!ReadInteger(der, pos, raw.data()) || !ReadInteger(der, pos, raw.data() + 32)) {
    return std::nullopt;
  }
  if (pos != der.size()) return std::nullopt;
  return raw;
}

std::optional<std::array<std::byte, 65>> ParsePublicKeyHex(std::string_view hex) noexcept {
  if (hex.size() != 130) return std::nullopt;
  std::array<std::byte, 65> key{};
  for (size_t i = 0; i < key.size(); ++i) {
    const int high = HexDigit(hex[2 * i]);
    const int low = HexDigit(hex[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    key[i] = static_cast<std::byte>(high * 16 + low);
  }
  if (key[0] != std::byte{0x04}) return std::nullopt;
  return key;
}

}  // namespace brimlet
