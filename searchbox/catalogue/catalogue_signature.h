// Detached signatures of downloaded catalogue cabinets (ECDSA P-256 over SHA-256): the
// encodings that the signing tools write and the platform's verifier reads.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace brimlet {

// The DER "SEQUENCE { INTEGER r, INTEGER s }" that openssl writes, as the 64 bytes r || s
// (each left-padded to 32) that the platform verifies; nothing when it is not exactly that.
std::optional<std::array<std::byte, 64>> DerSignatureToRaw(std::span<const std::byte> der) noexcept;

// An uncompressed P-256 point written as 130 hexadecimal digits ("04" X Y), the form the
// build option takes; nothing for anything else.
std::optional<std::array<std::byte, 65>> ParsePublicKeyHex(std::string_view hex) noexcept;

}  // namespace brimlet
