// Code pages for native tests through iconv, with the Windows code page numbers mapped to
// iconv's names. The ANSI code page is fixed, as on the Japanese systems the product serves.
#pragma once

#include "ports/codepage.h"

namespace brimlet {

class IconvCodePageConverter final : public ICodePageConverter {
 public:
  explicit IconvCodePageConverter(uint32_t ansiCodePage = code_page::kShiftJis) noexcept
      : ansiCodePage_(ansiCodePage) {}
  std::optional<std::string> FromUtf16(std::u16string_view text, uint32_t codePage) const override;
  std::optional<std::u16string> ToUtf16(std::string_view bytes, uint32_t codePage) const override;

 private:
  uint32_t ansiCodePage_;
};

}  // namespace brimlet
