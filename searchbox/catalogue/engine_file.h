// Search services in files: the program's own export (UTF-8 XML of the user's services and
// every keyword) and an OpenSearch description, read back for an import.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "ports/xml.h"
#include "user_engines.h"

namespace brimlet {

inline constexpr size_t kMaxEngineFileBytes = 256 * 1024;

enum class EngineFileRefusal { kNone, kTooLarge, kNotReadable, kNothingUsable };

struct EngineFileRead {
  EngineFileRefusal refusal = EngineFileRefusal::kNone;
  // Services without guids, in file order; keywords by catalogue guid. The caller decides
  // what of it joins the current list (MergeEngineFile).
  EngineCustomisation found;
};

// Reads either format. Refused: more than kMaxEngineFileBytes, a document the parser does
// not accept (not well-formed, a document type declaration), or no entry that passes the
// rules (a service's name, address and encoding; a keyword's form).
EngineFileRead ReadEngineFile(const IXmlParser& parser, std::span<const std::byte> bytes);

// The export: every service (without its guid) and every keyword, as UTF-8 XML.
std::string WriteEngineFile(const EngineCustomisation& customisation);

struct EngineFileMerge {
  size_t added = 0;
  size_t skipped = 0;  // same address as an existing service, or unusable here
};
// Appends the file's services with guids from newGuid, skipping any whose address an
// existing service has; keywords already taken are dropped; catalogue keywords apply to
// engines of this catalogue that have none.
EngineFileMerge MergeEngineFile(EngineCustomisation& into, const EngineCustomisation& found,
                                const SearchEngineList* catalogue,
                                const std::function<std::u16string()>& newGuid);

}  // namespace brimlet
