#include "engine_file.h"

#include <algorithm>

#include "text/utf16.h"

namespace brimlet {
namespace {

constexpr std::u16string_view kExportRoot = u"search_services";
constexpr std::u16string_view kOpenSearchRoot = u"OpenSearchDescription";
// Stands in for the guid an entry gets when it joins, so that the entry rules can be applied.
constexpr std::u16string_view kAnyGuid = u"{00000000-0000-0000-0000-000000000000}";

std::u16string ChildText(const IXmlElement& element, std::u16string_view name) {
  const auto child = element.FirstChildElement(name);
  return child ? child->Text() : std::u16string();
}

// The encoding names OpenSearch descriptions use, in the spelling the settings store.
std::optional<std::u16string> EncodingName(std::u16string_view written) {
  const std::u16string name = FoldKeyword(written);
  if (name.empty() || name == u"utf-8" || name == u"utf8") return std::u16string(u"utf-8");
  for (std::u16string_view alias :
       {u"shift_jis", u"shift-jis", u"sjis", u"x-sjis", u"windows-31j", u"cp932", u"ms_kanji"}) {
    if (name == alias) return std::u16string(u"shift_jis");
  }
  if (name == u"euc-jp" || name == u"x-euc-jp" || name == u"eucjp") return std::u16string(u"euc-jp");
  return std::nullopt;
}

// Adds the service when the rules let it be used; its keyword only when well-formed.
void AddService(EngineCustomisation& found, UserEngine service) {
  service.guid = kAnyGuid;
  if (CheckUserEngine(service, nullptr) != EngineProblem::kNone) return;
  if (!service.keyword.empty() && CheckKeyword(service.keyword, {}) != EngineProblem::kNone) {
    service.keyword.clear();
  }
  if (!IsUsableSuggestUrl(service.suggestUrl)) service.suggestUrl.clear();
  service.guid.clear();
  found.services.push_back(std::move(service));
}

void ReadExport(const IXmlElement& root, EngineCustomisation& found) {
  const auto children = root.ChildNodes();
  if (!children) return;
  for (const XmlChildNode& child : *children) {
    if (child.type != XmlNodeType::kElement) continue;
    const IXmlElement& element = *child.element;
    if (child.name == u"service") {
      UserEngine service;
      service.name = ChildText(element, u"name");
      service.url = ChildText(element, u"url");
      const auto encoding = EncodingName(ChildText(element, u"encoding"));
      if (!encoding) continue;
      service.encoding = *encoding;
      service.keyword = ChildText(element, u"keyword");
      service.suggestUrl = ChildText(element, u"suggest_url");
      AddService(found, std::move(service));
    } else if (child.name == u"engine_keyword") {
      CatalogueKeyword keyword{ToUpperAscii(element.Attribute(u"guid").value_or(u"")),
                               element.Text()};
      if (IsRegistryGuid(keyword.guid) &&
          CheckKeyword(keyword.keyword, {}) == EngineProblem::kNone) {
        found.keywords.push_back(std::move(keyword));
      }
    }
  }
}

void ReadOpenSearch(const IXmlElement& root, EngineCustomisation& found) {
  const auto children = root.ChildNodes();
  if (!children) return;
  UserEngine service;
  service.name = ChildText(root, u"ShortName");
  const auto encoding = EncodingName(ChildText(root, u"InputEncoding"));
  if (!encoding) return;
  service.encoding = *encoding;
  // The first Url of each type counts.
  bool page = false;
  bool suggestions = false;
  for (const XmlChildNode& child : *children) {
    if (child.type != XmlNodeType::kElement || child.name != u"Url") continue;
    const auto type = child.element->Attribute(u"type");
    if (!type) continue;
    if (!page && EqualsIgnoreAsciiCase(*type, u"text/html")) {
      service.url = child.element->Attribute(u"template").value_or(u"");
      page = true;
    } else if (!suggestions && EqualsIgnoreAsciiCase(*type, u"application/x-suggestions+json")) {
      service.suggestUrl = child.element->Attribute(u"template").value_or(u"");
      suggestions = true;
    }
  }
  AddService(found, std::move(service));
}

void AppendEscaped(std::string& out, std::u16string_view text) {
  for (const char ch : Utf16ToUtf8(text)) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        // XML 1.0 has no way to write other control characters; the rules refuse them in
        // addresses, and a name loses them.
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') break;
        out += ch;
    }
  }
}

void AppendElement(std::string& out, std::string_view name, std::u16string_view text) {
  out += "    <";
  out += name;
  out += '>';
  AppendEscaped(out, text);
  out += "</";
  out += name;
  out += ">\n";
}

}  // namespace

EngineFileRead ReadEngineFile(const IXmlParser& parser, std::span<const std::byte> bytes) {
  EngineFileRead read;
  if (bytes.size() > kMaxEngineFileBytes) {
    read.refusal = EngineFileRefusal::kTooLarge;
    return read;
  }
  const auto document = parser.Load(bytes);
  if (!document) {
    read.refusal = EngineFileRefusal::kNotReadable;
    return read;
  }
  if (const auto root = document->FirstChildElement(kExportRoot)) {
    ReadExport(*root, read.found);
  } else if (const auto openSearch = document->FirstChildElement(kOpenSearchRoot)) {
    ReadOpenSearch(*openSearch, read.found);
  }
  if (read.found.services.empty() && read.found.keywords.empty()) {
    read.refusal = EngineFileRefusal::kNothingUsable;
  }
  return read;
}

std::string WriteEngineFile(const EngineCustomisation& customisation) {
  std::string out = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<search_services format=\"1\">\n";
  for (const UserEngine& service : customisation.services) {
    out += "  <service>\n";
    AppendElement(out, "name", service.name);
    AppendElement(out, "url", service.url);
    AppendElement(out, "encoding", service.encoding);
    if (!service.keyword.empty()) AppendElement(out, "keyword", service.keyword);
    if (!service.suggestUrl.empty()) AppendElement(out, "suggest_url", service.suggestUrl);
    out += "  </service>\n";
  }
  for (const CatalogueKeyword& keyword : customisation.keywords) {
    out += "  <engine_keyword guid=\"";
    AppendEscaped(out, keyword.guid);
    out += "\">";
    AppendEscaped(out, keyword.keyword);
    out += "</engine_keyword>\n";
  }
  out += "</search_services>\n";
  return out;
}

EngineFileMerge MergeEngineFile(EngineCustomisation& into, const EngineCustomisation& found,
                                const SearchEngineList* catalogue,
                                const std::function<std::u16string()>& newGuid) {
  EngineFileMerge merge;
  std::vector<std::u16string> taken;
  for (const UserEngine& service : into.services) {
    if (!service.keyword.empty()) taken.push_back(service.keyword);
  }
  for (const CatalogueKeyword& keyword : into.keywords) taken.push_back(keyword.keyword);

  for (const UserEngine& service : found.services) {
    const bool known = std::any_of(into.services.begin(), into.services.end(),
                                   [&](const UserEngine& own) { return own.url == service.url; });
    if (known) {
      ++merge.skipped;
      continue;
    }
    UserEngine added = service;
    added.guid = newGuid();
    if (CheckUserEngine(added, catalogue) != EngineProblem::kNone) {
      ++merge.skipped;
      continue;
    }
    if (!added.keyword.empty()) {
      if (CheckKeyword(added.keyword, taken) == EngineProblem::kNone) {
        taken.push_back(added.keyword);
      } else {
        added.keyword.clear();
      }
    }
    into.services.push_back(std::move(added));
    ++merge.added;
  }
  for (const CatalogueKeyword& keyword : found.keywords) {
    const ISearchEngineItem* engine = catalogue ? catalogue->FindByGuid(keyword.guid) : nullptr;
    const bool hasOne =
        std::any_of(into.keywords.begin(), into.keywords.end(),
                    [&](const CatalogueKeyword& own) { return EqualsIgnoreAsciiCase(own.guid, keyword.guid); });
    if (engine == nullptr || hasOne || CheckKeyword(keyword.keyword, taken) != EngineProblem::kNone) {
      continue;
    }
    taken.push_back(keyword.keyword);
    into.keywords.push_back({engine->GetGuid(), keyword.keyword});
  }
  return merge;
}

}  // namespace brimlet
