#include "catalogue_signature_win32.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>

namespace brimlet::win32 {
namespace {

class Algorithm {
 public:
  explicit Algorithm(const wchar_t* name) noexcept {
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&handle_, name, nullptr, 0))) {
      handle_ = nullptr;
    }
  }
  ~Algorithm() {
    if (handle_) ::BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Algorithm(const Algorithm&) = delete;
  Algorithm& operator=(const Algorithm&) = delete;
  BCRYPT_ALG_HANDLE get() const noexcept { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

}  // namespace

std::optional<std::array<std::byte, 32>> BcryptSignatureVerifier::Sha256(
    std::span<const std::byte> data) noexcept {
  const Algorithm sha(BCRYPT_SHA256_ALGORITHM);
  if (!sha.get()) return std::nullopt;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::array<std::byte, 32> digest{};
  auto* bytes = reinterpret_cast<PUCHAR>(const_cast<std::byte*>(data.data()));
  const bool ok =
      BCRYPT_SUCCESS(::BCryptCreateHash(sha.get(), &hash, nullptr, 0, nullptr, 0, 0)) &&
      BCRYPT_SUCCESS(::BCryptHashData(hash, bytes, static_cast<ULONG>(data.size()), 0)) &&
      BCRYPT_SUCCESS(::BCryptFinishHash(hash, reinterpret_cast<PUCHAR>(digest.data()),
                                        static_cast<ULONG>(digest.size()), 0));
  if (hash) ::BCryptDestroyHash(hash);
  if (!ok) return std::nullopt;
  return digest;
}

bool BcryptSignatureVerifier::Verify(std::span<const std::byte> signedBytes,
                                     const std::array<std::byte, 64>& signature) noexcept {
  const auto digest = Sha256(signedBytes);
  if (!digest) return false;
  const Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!ecdsa.get()) return false;
  struct {
    BCRYPT_ECCKEY_BLOB header;
    std::byte xy[64];
  } blob = {{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32}, {}};
  std::copy(publicKey_.begin() + 1, publicKey_.end(), blob.xy);
  BCRYPT_KEY_HANDLE key = nullptr;
  if (!BCRYPT_SUCCESS(::BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &key,
                                            reinterpret_cast<PUCHAR>(&blob), sizeof(blob), 0))) {
    return false;
  }
  const bool verified = BCRYPT_SUCCESS(::BCryptVerifySignature(
      key, nullptr, reinterpret_cast<PUCHAR>(const_cast<std::byte*>(digest->data())),
      static_cast<ULONG>(digest->size()),
      reinterpret_cast<PUCHAR>(const_cast<std::byte*>(signature.data())),
      static_cast<ULONG>(signature.size()), 0));
  ::BCryptDestroyKey(key);
  return verified;
}

BuildSignaturePolicy::BuildSignaturePolicy(std::optional<std::array<std::byte, 65>> publicKey,
                                           bool allowUnsigned) noexcept {
  if (publicKey) verifier_.emplace(*publicKey);
  policy_.verifier = verifier_ ? &*verifier_ : nullptr;
  policy_.allowUnsigned = allowUnsigned;
}

}  // namespace brimlet::win32
