// Signed statements about downloaded files (ECDSA P-256 over SHA-256): the statement file
// that endpoint/publish.sh writes beside a catalogue cabinet or a notice, the encodings
// that the signing tools write and the platform's verifier reads, and the rules that bind
// a statement to what it vouches for.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "settings.h"

namespace brimlet {

// The DER "SEQUENCE { INTEGER r, INTEGER s }" that openssl writes, as the 64 bytes r || s
// (each left-padded to 32) that the platform verifies; nothing when it is not exactly that.
std::optional<std::array<std::byte, 64>> DerSignatureToRaw(std::span<const std::byte> der) noexcept;

// An uncompressed P-256 point written as 130 hexadecimal digits ("04" X Y), the form the
// build option takes; nothing for anything else.
std::optional<std::array<std::byte, 65>> ParsePublicKeyHex(std::string_view hex) noexcept;

// A dotted version as a publisher writes it: one to four decimal parts, none empty, each at
// most 65535. Unlike ParseVersionNumber nothing is cut, so "65536" cannot pose as "0".
std::optional<VersionNumber> ParseStrictVersion(std::string_view dotted) noexcept;

// What a statement vouches for. Each has its own first lines, so a statement for one can
// never be taken for the other.
enum class SignedPurpose { kCatalogue, kNotice };

// The statement file, ASCII lines each ending in "\n", in this order:
//   brimlet-signature 1
//   for catalogue|notice
//   partner <letters, digits, "_", "-"; may be empty>
//   version <a.b.c.d>                      (catalogue only)
//   sha256 <64 lower-case hex digits of the cabinet's or the notice's bytes>
//   ecdsa-p256 <lower-case hex of the DER signature>
// The signature covers every byte before the "ecdsa-p256" line.
struct SignedStatement {
  SignedPurpose purpose = SignedPurpose::kCatalogue;
  std::u16string partner;
  VersionNumber version = 0;  // catalogue only
  std::array<std::byte, 32> digest{};
  std::array<std::byte, 64> signature{};  // r || s
  size_t signedLength = 0;                // bytes from the start that the signature covers
};

// Largest statement file accepted (and downloaded).
inline constexpr size_t kMaxStatementBytes = 1024;

// Nothing unless the file is exactly one statement of the form above.
std::optional<SignedStatement> ParseSignedStatement(std::span<const std::byte> file) noexcept;

enum class StatementBinding {
  kBound,
  kOtherPurpose,  // a notice's statement offered for a catalogue, or the reverse
  kOtherPartner,  // published for another partner code
  kOtherContent,  // the file's digest is not the one signed
};

// Whether a statement whose signature verified vouches for this file of this partner.
StatementBinding CheckStatementBinding(const SignedStatement& statement, SignedPurpose purpose,
                                       std::u16string_view partner,
                                       std::span<const std::byte, 32> contentDigest) noexcept;

// A trace line's words for a binding that failed.
std::u16string_view DescribeBinding(StatementBinding binding) noexcept;

// The platform's cryptography with the build's public key.
class ISignatureVerifier {
 public:
  virtual ~ISignatureVerifier() = default;
  virtual std::optional<std::array<std::byte, 32>> Sha256(
      std::span<const std::byte> data) noexcept = 0;
  // ECDSA P-256 over the SHA-256 of `signedBytes`, with the build's key.
  virtual bool Verify(std::span<const std::byte> signedBytes,
                      const std::array<std::byte, 64>& signature) noexcept = 0;
};

struct SignaturePolicy {
  ISignatureVerifier* verifier = nullptr;  // none: no key, nothing verifies
  bool allowUnsigned = false;              // a build for local tests only
};

enum class SignatureVerdict {
  kSigned,           // a valid statement binds the file
  kUnsignedAllowed,  // no statement, and the build accepts that
  kMissing,          // no statement
  kNoKey,            // the build has no key to check one with
  kMalformed,        // the statement file is not one
  kBadSignature,     // its signature does not verify with the build's key
  kOtherPurpose,
  kOtherPartner,
  kOtherContent,
};

struct SignatureCheck {
  SignatureVerdict verdict = SignatureVerdict::kMissing;
  // The signed catalogue version, for a signed catalogue.
  std::optional<VersionNumber> version;
  bool accepted() const noexcept {
    return verdict == SignatureVerdict::kSigned || verdict == SignatureVerdict::kUnsignedAllowed;
  }
};

// Whether `content` (the cabinet or the notice of `partner`) may be used: its statement
// must parse, verify and bind it, unless the build accepts unsigned files and there is no
// statement. A statement that is there but fails is refused in every build.
SignatureCheck CheckSignature(const SignaturePolicy& policy, SignedPurpose purpose,
                              std::u16string_view partner, std::span<const std::byte> content,
                              const std::optional<std::vector<std::byte>>& statementFile) noexcept;

std::u16string_view DescribeSignature(SignatureVerdict verdict) noexcept;

}  // namespace brimlet
