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

// The code page of a user service's encoding name ("utf-8", "shift_jis", "euc-jp", ASCII
// case ignored); nothing for any other name.
std::optional<uint32_t> UserServiceCodePage(std::u16string_view encoding) noexcept;

// The template with every "{searchTerms}" replaced by the words in the code page, escaped
// as an encoded parameter's value is.
std::u16string FillUrlTemplate(const ICodePageConverter& converter, std::u16string_view urlTemplate,
                               uint32_t codePage, std::u16string_view words);

// host + path + the query the engine's parameters make of the words; for a user service its
// filled template (empty when its encoding is unknown).
std::u16string BuildSearchUrl(const ICodePageConverter& converter, const ISearchEngineItem& engine,
                              std::u16string_view words);

// The template with every "{searchTerms}" replaced by the words in escaped UTF-8. Nothing
// for empty words.
std::optional<std::u16string> BuildSuggestionUrl(const ICodePageConverter& converter,
                                                 std::u16string_view urlTemplate,
                                                 std::u16string_view words);

}  // namespace brimlet
