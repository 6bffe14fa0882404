// Code-page port: UTF-16 text to and from the byte encodings search services expect.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brimlet {

// The platform's code page numbers.
namespace code_page {
inline constexpr uint32_t kAnsi = 0;  // the running thread's ANSI code page
inline constexpr uint32_t kShiftJis = 932;
inline constexpr uint32_t kEucJp = 20932;
inline constexpr uint32_t kUtf8 = 65001;
}  // namespace code_page

class ICodePageConverter {
 public:
  virtual ~ICodePageConverter() = default;
  // Characters the code page cannot represent become its default character ("?"), one per
  // UTF-16 code unit; no best-fit look-alikes are substituted. In UTF-8 an unpaired
  // surrogate becomes U+FFFD. Nothing when the code page is not available.
  virtual std::optional<std::string> FromUtf16(std::u16string_view text,
                                               uint32_t codePage) const = 0;
  // Nothing when the bytes are not valid in the code page.
  virtual std::optional<std::u16string> ToUtf16(std::string_view bytes,
                                                uint32_t codePage) const = 0;
};

}  // namespace brimlet
