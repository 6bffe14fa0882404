// The reader of a search service's suggestion answer (the OpenSearch suggestion format,
// `[query, [s1, s2, ...], ...]`). The answer comes from the network: anything that is not
// exactly that shape, or answers other words than those requested, gives no suggestions.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brimlet {

// Larger answers are refused whole (the worker stops receiving at this size too).
inline constexpr size_t kMaxSuggestionAnswerBytes = 64 * 1024;
inline constexpr size_t kMaxServiceSuggestions = 10;
// In UTF-16 code units, the unit the edit field and the list count in.
inline constexpr size_t kMaxSuggestionLength = 256;

// The suggestions of a UTF-8 answer to a request for `requestedWords`: the first
// kMaxServiceSuggestions usable entries of its second element, in the service's order, with
// control and line-breaking characters removed. An entry that is empty after that or longer
// than kMaxSuggestionLength is skipped (cutting it would suggest words nobody suggested).
// Nothing when the answer is larger than kMaxSuggestionAnswerBytes, is not JSON, is not an
// array whose first element is a string equal to `requestedWords` (code unit by code unit)
// and whose second element is an array of strings.
std::vector<std::u16string> ReadSuggestionAnswer(std::string_view utf8,
                                                 std::u16string_view requestedWords);

}  // namespace brimlet
