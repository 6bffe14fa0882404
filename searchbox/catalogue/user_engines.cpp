#include "user_engines.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "search_url.h"
#include "text/utf16.h"
#include "text/web_address.h"

namespace brimlet {
namespace {

constexpr std::u16string_view kSearchTerms = u"{searchTerms}";

bool IsSpace(char16_t c) noexcept { return c == u' ' || c == u'\u3000'; }

bool IsWhiteSpace(char16_t c) noexcept {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f' ||
         c == u'\u00A0' || c == u'\u3000' || c == u'\u2028' || c == u'\u2029' || c == u'\uFEFF' ||
         (c >= u'\u2000' && c <= u'\u200B');
}

bool IsHex(char16_t c) noexcept {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

std::optional<std::u16string> ReadText(const IRegistry& registry, std::u16string_view key,
                                       std::u16string_view name) {
  const auto value = ReadRegistryValue(registry, RegistryRoot::kCurrentUser, key, name);
  if (!value || (value->type != reg_type::kSz && value->type != reg_type::kExpandSz)) {
    return std::nullopt;
  }
  std::u16string text(value->data.size() / 2, u'\0');
  std::memcpy(text.data(), value->data.data(), text.size() * 2);
  if (const size_t end = text.find(u'\0'); end != std::u16string::npos) text.resize(end);
  return text;
}

uint32_t ReadOrder(const IRegistry& registry, std::u16string_view key) {
  const auto value = ReadRegistryValue(registry, RegistryRoot::kCurrentUser, key, u"Order");
  if (!value || value->type != reg_type::kDword || value->data.size() != 4) return UINT32_MAX;
  uint32_t order = 0;
  std::memcpy(&order, value->data.data(), 4);
  return order;
}

bool WriteText(IRegistry& registry, std::u16string_view key, std::u16string_view name,
               std::u16string_view text) {
  std::vector<std::byte> data((text.size() + 1) * 2);
  std::memcpy(data.data(), text.data(), text.size() * 2);
  return registry.SetValue(RegistryRoot::kCurrentUser, key, name, reg_type::kSz, data);
}

bool WriteOrder(IRegistry& registry, std::u16string_view key, uint32_t order) {
  std::byte data[4];
  std::memcpy(data, &order, 4);
  return registry.SetValue(RegistryRoot::kCurrentUser, key, u"Order", reg_type::kDword, data);
}

std::u16string SubkeyOf(std::u16string_view parent, std::u16string_view name) {
  std::u16string key(parent);
  key += u'\\';
  key += name;
  return key;
}

std::u16string_view ProblemText(EngineProblem problem) noexcept {
  switch (problem) {
    case EngineProblem::kNoName: return u"it has no name";
    case EngineProblem::kNoUrl: return u"it has no address";
    case EngineProblem::kNotWebAddress: return u"its address is not http or https";
    case EngineProblem::kNoPlaceholder: return u"its address holds no {searchTerms}";
    case EngineProblem::kUnknownEncoding: return u"its encoding is unknown";
    case EngineProblem::kBadGuid: return u"its name is not a guid";
    case EngineProblem::kCatalogueGuid: return u"its guid is a catalogue engine's";
    case EngineProblem::kKeywordLength: return u"its keyword is empty or longer than 16";
    case EngineProblem::kKeywordSpace: return u"its keyword holds white space";
    case EngineProblem::kKeywordTaken: return u"its keyword is another engine's";
    case EngineProblem::kNone: break;
  }
  return u"";
}

std::u16string LeftOutLine(std::u16string_view what, std::u16string_view guid,
                           EngineProblem problem) {
  std::u16string line = u"Brimlet: left out ";
  line += what;
  line += u' ';
  line += guid;
  line += u": ";
  line += ProblemText(problem);
  return line;
}

// Keeps the keyword when the rules allow it, noting it as taken; otherwise a reason.
EngineProblem TakeKeyword(std::u16string_view keyword, std::vector<std::u16string>& taken) {
  const EngineProblem problem = CheckKeyword(keyword, taken);
  if (problem == EngineProblem::kNone) taken.push_back(FoldKeyword(keyword));
  return problem;
}

// A catalogue engine of that guid: the list may carry the user's services already.
const ISearchEngineItem* CatalogueEngine(const SearchEngineList* catalogue, std::u16string_view guid) {
  const ISearchEngineItem* engine = catalogue ? catalogue->FindByGuid(guid) : nullptr;
  return engine != nullptr && !engine->IsUserService() ? engine : nullptr;
}

}  // namespace

bool IsRegistryGuid(std::u16string_view text) noexcept {
  if (text.size() != 38 || text.front() != u'{' || text.back() != u'}') return false;
  for (size_t i = 1; i < 37; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != u'-' : !IsHex(text[i])) return false;
  }
  return true;
}

std::u16string FoldKeyword(std::u16string_view keyword) {
  std::u16string folded(keyword);
  for (char16_t& c : folded) {
    if (c >= u'\uFF01' && c <= u'\uFF5E') c = static_cast<char16_t>(c - 0xFF01 + 0x21);
    c = ToLowerAscii(c);
  }
  return folded;
}

std::u16string NormaliseUrlTemplate(std::u16string_view typed) {
  std::u16string text(typed);
  for (size_t at = text.find(u"%s"); at != std::u16string::npos;
       at = text.find(u"%s", at + kSearchTerms.size())) {
    text.replace(at, 2, kSearchTerms);
  }
  return text;
}

bool IsUsableSuggestUrl(std::u16string_view url) {
  return url.empty() || (IsWebAddress(url) && url.find(kSearchTerms) != std::u16string_view::npos);
}

EngineProblem CheckUserEngine(const UserEngine& engine, const SearchEngineList* catalogue) {
  if (!IsRegistryGuid(engine.guid)) return EngineProblem::kBadGuid;
  if (CatalogueEngine(catalogue, engine.guid) != nullptr) return EngineProblem::kCatalogueGuid;
  if (engine.name.empty()) return EngineProblem::kNoName;
  if (engine.url.empty()) return EngineProblem::kNoUrl;
  if (!IsWebAddress(engine.url)) return EngineProblem::kNotWebAddress;
  if (engine.url.find(kSearchTerms) == std::u16string::npos) return EngineProblem::kNoPlaceholder;
  if (!UserServiceCodePage(engine.encoding)) return EngineProblem::kUnknownEncoding;
  return EngineProblem::kNone;
}

EngineProblem CheckKeyword(std::u16string_view keyword, const std::vector<std::u16string>& taken) {
  if (keyword.empty() || keyword.size() > kMaxKeywordLength) return EngineProblem::kKeywordLength;
  if (std::any_of(keyword.begin(), keyword.end(), IsWhiteSpace)) return EngineProblem::kKeywordSpace;
  const std::u16string folded = FoldKeyword(keyword);
  for (const std::u16string& other : taken) {
    if (FoldKeyword(other) == folded) return EngineProblem::kKeywordTaken;
  }
  return EngineProblem::kNone;
}

EngineCustomisationRead ReadEngineCustomisation(const IRegistry& registry,
                                                const SearchEngineList* catalogue) {
  EngineCustomisationRead read;
  std::vector<std::u16string> taken;

  // Catalogue keywords in catalogue order, so that which duplicate wins does not depend on
  // the order the registry lists its values in.
  std::vector<CatalogueKeyword> stored;
  for (const std::u16string& guid :
       registry.ValueNames(RegistryRoot::kCurrentUser, kSearchEngineKeywordsKey)) {
    auto keyword = ReadText(registry, kSearchEngineKeywordsKey, guid);
    if (!keyword) {
      read.leftOut.push_back(u"Brimlet: left out the keyword of " + guid + u": it is no text");
      continue;
    }
    const ISearchEngineItem* engine = CatalogueEngine(catalogue, guid);
    if (engine == nullptr) {
      read.leftOut.push_back(u"Brimlet: left out the keyword of " + guid +
                             u": no catalogue engine has that guid");
      continue;
    }
    stored.push_back({engine->GetGuid(), std::move(*keyword)});
  }
  if (catalogue != nullptr) {
    for (size_t i = 0; i < catalogue->GetCount(); ++i) {
      if (catalogue->GetAt(i)->IsUserService()) continue;
      const std::u16string guid = catalogue->GetAt(i)->GetGuid();
      for (CatalogueKeyword& entry : stored) {
        if (entry.guid != guid) continue;
        const EngineProblem problem = TakeKeyword(entry.keyword, taken);
        if (problem == EngineProblem::kNone) {
          read.accepted.keywords.push_back(entry);
        } else {
          read.leftOut.push_back(LeftOutLine(u"the keyword of", guid, problem));
        }
      }
    }
  }

  struct Ordered {
    uint32_t order;
    UserEngine engine;
  };
  std::vector<Ordered> services;
  for (const std::u16string& guid :
       registry.SubkeyNames(RegistryRoot::kCurrentUser, kUserSearchEnginesKey)) {
    const std::u16string key = SubkeyOf(kUserSearchEnginesKey, guid);
    UserEngine engine;
    engine.guid = ToUpperAscii(guid);
    engine.name = ReadText(registry, key, u"Name").value_or(u"");
    engine.url = ReadText(registry, key, u"Url").value_or(u"");
    engine.encoding = ReadText(registry, key, u"Encoding").value_or(u"utf-8");
    engine.keyword = ReadText(registry, key, u"Keyword").value_or(u"");
    engine.suggestUrl = ReadText(registry, key, u"SuggestUrl").value_or(u"");
    if (const EngineProblem problem = CheckUserEngine(engine, catalogue);
        problem != EngineProblem::kNone) {
      read.leftOut.push_back(LeftOutLine(u"the search service", guid, problem));
      continue;
    }
    if (!IsUsableSuggestUrl(engine.suggestUrl)) {
      read.leftOut.push_back(u"the suggestion address of " + guid +
                             u": not an http or https address with {searchTerms}");
      engine.suggestUrl.clear();
    }
    engine.encoding = FoldKeyword(engine.encoding);  // one spelling from here on
    services.push_back({ReadOrder(registry, key), std::move(engine)});
  }
  std::sort(services.begin(), services.end(), [](const Ordered& a, const Ordered& b) {
    if (a.order != b.order) return a.order < b.order;
    if (a.engine.name != b.engine.name) return a.engine.name < b.engine.name;
    return a.engine.guid < b.engine.guid;
  });
  for (Ordered& service : services) {
    UserEngine& engine = service.engine;
    if (!engine.keyword.empty()) {
      if (const EngineProblem problem = TakeKeyword(engine.keyword, taken);
          problem != EngineProblem::kNone) {
        read.leftOut.push_back(LeftOutLine(u"the keyword of", engine.guid, problem));
        engine.keyword.clear();
      }
    }
    read.accepted.services.push_back(std::move(engine));
  }
  return read;
}

bool WriteEngineCustomisation(IRegistry& registry, const EngineCustomisation& customisation) {
  registry.DeleteTree(RegistryRoot::kCurrentUser, kUserSearchEnginesKey);
  registry.DeleteTree(RegistryRoot::kCurrentUser, kSearchEngineKeywordsKey);
  bool written = true;
  for (const CatalogueKeyword& entry : customisation.keywords) {
    written &= WriteText(registry, kSearchEngineKeywordsKey, entry.guid, entry.keyword);
  }
  uint32_t order = 0;
  for (const UserEngine& engine : customisation.services) {
    const std::u16string key = SubkeyOf(kUserSearchEnginesKey, engine.guid);
    written &= WriteText(registry, key, u"Name", engine.name);
    written &= WriteText(registry, key, u"Url", engine.url);
    written &= WriteText(registry, key, u"Encoding", engine.encoding);
    if (!engine.keyword.empty()) written &= WriteText(registry, key, u"Keyword", engine.keyword);
    if (!engine.suggestUrl.empty()) {
      written &= WriteText(registry, key, u"SuggestUrl", engine.suggestUrl);
    }
    written &= WriteOrder(registry, key, order++);
  }
  return written;
}

void ApplyEngineCustomisation(SearchEngineList& list, const EngineCustomisation& customisation) {
  for (const CatalogueKeyword& entry : customisation.keywords) {
    list.SetKeyword(entry.guid, entry.keyword);
  }
  for (const UserEngine& engine : customisation.services) {
    SearchEngineFields fields;
    fields.guid = engine.guid;
    fields.name = engine.name;
    fields.urlTemplate = engine.url;
    fields.encoding = engine.encoding;
    fields.keyword = engine.keyword;
    fields.suggestionsUrl = engine.suggestUrl;
    list.Add(std::make_unique<SearchEngineItem>(std::move(fields), nullptr));
  }
}

std::optional<KeywordSearch> MatchKeyword(const SearchEngineList& list, std::u16string_view words) {
  const auto space = std::find_if(words.begin(), words.end(), IsSpace);
  if (space == words.begin() || space == words.end()) return std::nullopt;
  const auto rest = std::find_if_not(space, words.end(), IsSpace);
  if (rest == words.end()) return std::nullopt;
  const std::u16string typed = FoldKeyword(std::u16string_view(words.begin(), space));
  for (size_t i = 0; i < list.GetCount(); ++i) {
    const ISearchEngineItem* engine = list.GetAt(i);
    const std::u16string keyword = engine->GetKeyword();
    if (!keyword.empty() && FoldKeyword(keyword) == typed) {
      return KeywordSearch{engine, std::u16string(rest, words.end())};
    }
  }
  return std::nullopt;
}

}  // namespace brimlet
