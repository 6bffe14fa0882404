// The signature checks with the platform's cryptography (BCrypt: SHA-256, ECDSA P-256).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>

#include "catalogue_signature.h"

namespace brimlet::win32 {

class BcryptSignatureVerifier final : public ISignatureVerifier {
 public:
  explicit BcryptSignatureVerifier(const std::array<std::byte, 65>& publicKey) noexcept
      : publicKey_(publicKey) {}
  std::optional<std::array<std::byte, 32>> Sha256(std::span<const std::byte> data) noexcept override;
  bool Verify(std::span<const std::byte> signedBytes,
              const std::array<std::byte, 64>& signature) noexcept override;

 private:
  std::array<std::byte, 65> publicKey_;
};

// The build's signing policy: its key (endpoints.h), and whether unsigned files pass. The
// verifier it points to lives as long as the policy.
class BuildSignaturePolicy {
 public:
  BuildSignaturePolicy(std::optional<std::array<std::byte, 65>> publicKey,
                       bool allowUnsigned) noexcept;
  BuildSignaturePolicy(const BuildSignaturePolicy&) = delete;
  BuildSignaturePolicy& operator=(const BuildSignaturePolicy&) = delete;
  const SignaturePolicy& policy() const noexcept { return policy_; }

 private:
  std::optional<BcryptSignatureVerifier> verifier_;
  SignaturePolicy policy_;
};

}  // namespace brimlet::win32
