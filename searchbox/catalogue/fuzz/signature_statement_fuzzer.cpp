// Feeds arbitrary bytes to the signed statement reader, as a download of a ".sig" file
// would, and traps when what it accepts breaks the statement's own rules: the signed part
// is a prefix of whole lines, the partner is a plain code, the version is one a publisher
// could write.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "catalogue_signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  const auto statement = brimlet::ParseSignedStatement(bytes);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (statement) {
    if (statement->signedLength == 0 || statement->signedLength >= size) __builtin_trap();
    if (text[statement->signedLength - 1] != '\n' || text.back() != '\n') __builtin_trap();
    if (text.substr(statement->signedLength, 11) != "ecdsa-p256 ") __builtin_trap();
    for (char16_t c : statement->partner) {
      const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                         (c >= u'0' && c <= u'9') || c == u'_' || c == u'-';
      if (!plain) __builtin_trap();
    }
  }
  // The version reader on the same bytes: what it accepts reads the same leniently.
  if (const auto version = brimlet::ParseStrictVersion(text)) {
    std::u16string wide(text.begin(), text.end());
    if (brimlet::ParseVersionNumber(wide) != *version) __builtin_trap();
  }
  return 0;
}
