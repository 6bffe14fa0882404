#include <cstdio>

#include "ports/trace.h"

namespace brimlet {

// Natively only the tests run: their failures' traces belong on standard error.
void WriteTraceLine(std::u16string_view text) noexcept {
  for (char16_t c : text) std::fputc(c < 0x80 ? static_cast<int>(c) : '?', stderr);
  std::fputc('\n', stderr);
}

}  // namespace brimlet
