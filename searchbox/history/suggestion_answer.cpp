#include "suggestion_answer.h"

#include <nlohmann/json.hpp>

#include "text/utf16.h"

namespace brimlet {
namespace {

// Control characters (C0, DEL, C1), the line and paragraph separators (they break the one
// line an item has) and the bidirectional embeddings, overrides and isolates (they would let
// an answer draw its text in another order than it is searched).
constexpr bool IsDropped(char16_t c) noexcept {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::u16string Cleaned(const std::string& utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  std::erase_if(text, IsDropped);
  return text;
}

}  // namespace

std::vector<std::u16string> ReadSuggestionAnswer(std::string_view utf8,
                                                 std::u16string_view requestedWords) {
  if (utf8.size() > kMaxSuggestionAnswerBytes) return {};
  // No exceptions for bad input: a malformed answer is an ordinary outcome here.
  const nlohmann::json answer = nlohmann::json::parse(utf8, nullptr, false);
  if (answer.is_discarded() || !answer.is_array() || answer.size() < 2) return {};
  const nlohmann::json& query = answer[0];
  const nlohmann::json& entries = answer[1];
  if (!query.is_string() || !entries.is_array()) return {};
  // The parser has checked that every string is well-formed UTF-8.
  if (Utf8ToUtf16(query.get_ref<const std::string&>()) != requestedWords) return {};
  for (const nlohmann::json& entry : entries) {
    if (!entry.is_string()) return {};
  }
  std::vector<std::u16string> suggestions;
  for (const nlohmann::json& entry : entries) {
    if (suggestions.size() == kMaxServiceSuggestions) break;
    std::u16string text = Cleaned(entry.get_ref<const std::string&>());
    if (text.empty() || text.size() > kMaxSuggestionLength) continue;
    suggestions.push_back(std::move(text));
  }
  return suggestions;
}

}  // namespace brimlet
