// Feeds arbitrary bytes to the search service file reader (libxml2 adapter) and checks that
// whatever it accepts survives the export unchanged: written and read again, the same
// services and keywords come back.
#include <cstddef>
#include <cstdint>

#include "engine_file.h"
#include "native/libxml2_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const brimlet::LibXml2Parser parser;
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  const brimlet::EngineFileRead read = brimlet::ReadEngineFile(parser, bytes);
  if (read.refusal != brimlet::EngineFileRefusal::kNone) return 0;
  const std::string written = brimlet::WriteEngineFile(read.found);
  const brimlet::EngineFileRead again = brimlet::ReadEngineFile(
      parser, std::span(reinterpret_cast<const std::byte*>(written.data()), written.size()));
  if (again.refusal != brimlet::EngineFileRefusal::kNone ||
      again.found.services.size() != read.found.services.size() ||
      again.found.keywords.size() != read.found.keywords.size()) {
    __builtin_trap();
  }
  for (size_t i = 0; i < read.found.services.size(); ++i) {
    const auto& a = read.found.services[i];
    const auto& b = again.found.services[i];
    if (a.url != b.url || a.encoding != b.encoding || a.keyword != b.keyword) __builtin_trap();
  }
  return 0;
}
