// The user's own search services and the keywords of every engine: their rules, how they
// are stored under the settings key, and how they join the catalogue's engines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/registry.h"
#include "search_engine_list.h"

namespace brimlet {

inline constexpr std::u16string_view kUserSearchEnginesKey =
    u"Software\\Zelvo\\BrimletBox\\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}\\UserSearchEngines";
inline constexpr std::u16string_view kSearchEngineKeywordsKey =
    u"Software\\Zelvo\\BrimletBox\\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}\\SearchEngineKeywords";
inline constexpr size_t kMaxKeywordLength = 16;

struct UserEngine {
  std::u16string guid;  // registry format, {8-4-4-4-12}
  std::u16string name;
  std::u16string url;  // "{searchTerms}" marks the words
  std::u16string encoding = u"utf-8";
  std::u16string keyword;  // empty: none
  // Where the box asks for suggestions ("SuggestUrl"): the same "{searchTerms}" rule, http
  // or https only; empty: none.
  std::u16string suggestUrl;
};

struct CatalogueKeyword {
  std::u16string guid;
  std::u16string keyword;
};

// What the user added to the catalogue: the services in their order and the catalogue
// engines' keywords.
struct EngineCustomisation {
  std::vector<UserEngine> services;
  std::vector<CatalogueKeyword> keywords;
};

enum class EngineProblem {
  kNone,
  kNoName,
  kNoUrl,
  kNotWebAddress,
  kNoPlaceholder,
  kUnknownEncoding,
  kBadGuid,
  kCatalogueGuid,
  kKeywordLength,
  kKeywordSpace,
  kKeywordTaken,
};

// Why a service cannot be used (its keyword aside); kNone when it can.
EngineProblem CheckUserEngine(const UserEngine& engine, const SearchEngineList* catalogue);
// Why a keyword cannot be given; `taken` are the keywords other engines hold already.
EngineProblem CheckKeyword(std::u16string_view keyword, const std::vector<std::u16string>& taken);
// Whether a service's suggestion address can be kept: empty, or an http/https address with
// "{searchTerms}" in it. One that cannot is dropped; the service stays without suggestions.
bool IsUsableSuggestUrl(std::u16string_view url);
// A keyword as it is compared: full-width ASCII folded to half-width, A-Z to a-z.
std::u16string FoldKeyword(std::u16string_view keyword);
// An address as typed or pasted: "%s", as browsers write the place of the words, becomes
// "{searchTerms}".
std::u16string NormaliseUrlTemplate(std::u16string_view typed);
// "{8-4-4-4-12}" of hexadecimal digits.
bool IsRegistryGuid(std::u16string_view text) noexcept;

struct EngineCustomisationRead {
  EngineCustomisation accepted;
  // One line for each entry left out, for the trace.
  std::vector<std::u16string> leftOut;
};

// Reads both keys: services in ascending "Order" (ties by name), every entry the rules
// refuse left out, keywords given first come first (catalogue engines in catalogue order,
// then services in their order).
EngineCustomisationRead ReadEngineCustomisation(const IRegistry& registry,
                                                const SearchEngineList* catalogue);
// Replaces both keys with the customisation ("Order" is each service's position). False
// when a write failed.
bool WriteEngineCustomisation(IRegistry& registry, const EngineCustomisation& customisation);

// Gives the catalogue engines their keywords and appends the services after them.
void ApplyEngineCustomisation(SearchEngineList& list, const EngineCustomisation& customisation);

struct KeywordSearch {
  const ISearchEngineItem* engine = nullptr;
  std::u16string words;  // without the keyword and the spaces after it
};
// Words that begin with an engine's keyword, a half-width or ideographic space and at least
// one more character; nothing for any other words.
std::optional<KeywordSearch> MatchKeyword(const SearchEngineList& list, std::u16string_view words);

}  // namespace brimlet
