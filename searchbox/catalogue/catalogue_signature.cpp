#include "catalogue_signature.h"

#include <cstdint>

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

}  // namespace

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
