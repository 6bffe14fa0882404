// Feeds arbitrary bytes to the suggestion answer reader, as a search service would send them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "suggestion_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view answer(reinterpret_cast<const char*>(data), size);
  const auto suggestions = brimlet::ReadSuggestionAnswer(answer, u"tokyo");
  // What the list may show, whatever arrived.
  if (suggestions.size() > brimlet::kMaxServiceSuggestions) __builtin_trap();
  for (const std::u16string& text : suggestions) {
    if (text.empty() || text.size() > brimlet::kMaxSuggestionLength) __builtin_trap();
    for (char16_t c : text) {
      if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) __builtin_trap();
    }
  }
  return 0;
}
