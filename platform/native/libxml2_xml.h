// XML documents for native tests and tools through libxml2.
#pragma once

#include "ports/xml.h"

namespace brimlet {

class LibXml2Parser final : public IXmlParser {
 public:
  LibXml2Parser() noexcept;
  std::unique_ptr<IXmlDocument> Load(std::span<const std::byte> bytes) const noexcept override;
};

}  // namespace brimlet
