// Completion candidates for the page-based box, from the stored history (read anew on every
// call, so words stored by other boxes are offered too).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ports/registry.h"
#include "search_history.h"

namespace brimlet {

// Stored words that begin with the typed text, compared code unit by code unit with case;
// every stored word when the typed text is empty. Stored order, newest first.
std::vector<std::u16string> CompletionCandidates(const IRegistry& registry,
                                                 std::u16string_view typed);

// Candidates for the classic box's own list, from its in-memory history: the words that begin
// with the typed text ignoring the case of A to Z, as the system auto-complete object
// matches; none for an empty typed text. Newest first.
std::vector<std::u16string> HistoryCandidates(const SearchHistory& history,
                                              std::u16string_view typed);

}  // namespace brimlet
