// Code pages through the platform's conversion functions.
#pragma once

#include "ports/codepage.h"

namespace brimlet::win32 {

class Win32CodePageConverter final : public ICodePageConverter {
 public:
  // `ansiCodePage` stands for code_page::kAnsi; 0 means the running thread's, resolved at
  // each conversion (65001 where the system uses UTF-8 for worldwide language support).
  explicit Win32CodePageConverter(uint32_t ansiCodePage = 0) noexcept
      : ansiCodePage_(ansiCodePage) {}
  std::optional<std::string> FromUtf16(std::u16string_view text, uint32_t codePage) const override;
  std::optional<std::u16string> ToUtf16(std::string_view bytes, uint32_t codePage) const override;

 private:
  unsigned Resolve(uint32_t codePage) const noexcept;
  uint32_t ansiCodePage_;
};

}  // namespace brimlet::win32
