// Result-page and suggestion addresses from the search words and an engine. Pure functions
// of their inputs; only the legacy Japanese code pages need the platform's converter.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ports/codepage.h"
#include "search_engine_item.h"

namespace brimlet {

// Keeps A-Z a-z 0-9 ! ' ( ) * - . / : _ ~ and, unless escapePercent, "%"; every other byte
// becomes "%" and two lower-case hexadecimal digits. Never "+".
std::string UrlEscape(std::string_view bytes, bool escapePercent);

// The words in the encoding the name selects ("utf-8", "utf-16": UTF-8; "euc-jp": EUC-JP;
// anything else: the ANSI code page), escaped. Empty when there are no bytes.
std::u16string EncodeSearchWords(const ICodePageConverter& converter, std::u16string_view words,
                                 std::u16string_view encoding);

// host + path + the query the engine's parameters make of the words.
std::u16string BuildSearchUrl(const ICodePageConverter& converter, const ISearchEngineItem& engine,
                              std::u16string_view words);

// The template with every "{searchTerms}" replaced by the words in escaped UTF-8. Nothing
// for empty words.
std::optional<std::u16string> BuildSuggestionUrl(const ICodePageConverter& converter,
                                                 std::u16string_view urlTemplate,
                                                 std::u16string_view words);

}  // namespace brimlet
