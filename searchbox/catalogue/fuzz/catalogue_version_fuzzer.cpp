// Feeds arbitrary bytes to the catalogue version reader (libxml2 adapter), the reader the
// update trusts to decide whether a downloaded catalogue replaces the installed one.
#include <cstddef>
#include <cstdint>

#include "catalogue_update.h"
#include "native/libxml2_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const brimlet::LibXml2Parser parser;
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  const auto version = brimlet::ReadCatalogueVersion(parser, bytes);
  if (version && version->format.size() > size) __builtin_trap();  // text from nowhere
  return 0;
}
