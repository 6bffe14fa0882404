// Code pages through the platform's conversion functions.
#pragma once

#include "ports/codepage.h"

namespace brimlet::win32 {

class Win32CodePageConverter final : public ICodePageConverter {
 public:
  std::optional<std::string> FromUtf16(std::u16string_view text, uint32_t codePage) const override;
  std::optional<std::u16string> ToUtf16(std::string_view bytes, uint32_t codePage) const override;
};

}  // namespace brimlet::win32
