// XML documents through the platform DOM, loaded from a memory stream.
#pragma once

#include "ports/xml.h"

namespace brimlet::win32 {

class Win32XmlParser final : public IXmlParser {
 public:
  std::unique_ptr<IXmlDocument> Load(std::span<const std::byte> bytes) const noexcept override;
};

}  // namespace brimlet::win32
