#include "catalogue_reader.h"

#include <climits>
#include <cstdint>
#include <limits>

#include "text/utf16.h"
#include "ports/trace.h"

namespace brimlet {
namespace {

// Files whose size does not fit in 32 bits are refused.
constexpr size_t kMaxCatalogueBytes = std::numeric_limits<uint32_t>::max();

std::u16string ChildText(const IXmlElement& element, std::u16string_view name) {
  const auto child = element.FirstChildElement(name);
  return child ? child->Text() : std::u16string();
}

bool IsIntegerSpace(char16_t c) noexcept {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// A leading decimal number: blanks and a sign first, digits up to the first other
// character, no digits giving 0; numbers beyond 32 bits saturate.
int32_t ReadInteger(std::u16string_view text) noexcept {
  size_t i = 0;
  while (i < text.size() && IsIntegerSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

std::unique_ptr<SearchEngineParameterRoot> ReadParameter(const IXmlElement& node) {
  const int32_t type = ReadInteger(ChildText(node, u"type"));
  if (type == 0) return nullptr;
  std::u16string key = ChildText(node, u"key");
  if (key.empty()) return nullptr;
  std::unique_ptr<SearchEngineParameterRoot> parameter;
  switch (type) {
    case parameter_type::kStatic:
      parameter = std::make_unique<StaticSearchEngineParameter>(ChildText(node, u"value"));
      break;
    case parameter_type::kVariable:
      parameter = std::make_unique<VariableSearchEngineParameter>();
      break;
    case parameter_type::kEncoded:
      parameter = std::make_unique<EncodedSearchEngineParameter>(ChildText(node, u"encode"));
      break;
    case parameter_type::kEncodedEx:
      parameter = std::make_unique<EncodedSearchEngineParameterEx>(
          ChildText(node, u"encode"), ChildText(node, u"leading_value"),
          ChildText(node, u"trailing_value"), ChildText(node, u"value_key"));
      break;
    default:
      return nullptr;
  }
  parameter->SetKey(std::move(key));
  return parameter;
}

// The engine in one "search_engine" element, or nothing when it is malformed.
std::unique_ptr<SearchEngineItem> ReadEngine(const IXmlElement& node,
                                             std::u16string_view catalogueFolder) {
  SearchEngineFields fields;
  fields.catalogueFolder = catalogueFolder;
  fields.guid = ChildText(node, u"guid");
  fields.name = ChildText(node, u"name");
  fields.host = ChildText(node, u"host");
  if (fields.guid.empty() || fields.name.empty() || fields.host.empty()) return nullptr;
  fields.method = ReadInteger(ChildText(node, u"method"));
  if (fields.method == 0) fields.method = 1;
  fields.path = ChildText(node, u"path");
  if (fields.path.empty()) return nullptr;
  fields.image = ChildText(node, u"image");
  fields.suggestionsUrl = ChildText(node, u"suggestionsurl");

  const auto parametersNode = node.FirstChildElement(u"parameters");
  if (!parametersNode) return nullptr;
  auto parameters = std::make_unique<SearchEngineParameterList>();
  if (auto children = parametersNode->ChildNodes()) {
    for (const XmlChildNode& child : *children) {
      // Text and comments between parameters carry no "type" and are skipped like any
      // other malformed parameter.
      if (!child.element) continue;
      parameters->Add(ReadParameter(*child.element));
    }
  }
  if (parameters->GetCount() == 0) return nullptr;
  return std::make_unique<SearchEngineItem>(std::move(fields), std::move(parameters));
}

std::u16string FolderOf(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"\\/");
  return std::u16string(slash == std::u16string_view::npos ? std::u16string_view()
                                                           : path.substr(0, slash + 1));
}

std::u16string Join(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (!path.empty() && path.back() != u'\\' && path.back() != u'/') {
    const bool slashes =
        path.find(u'\\') == std::u16string::npos && path.find(u'/') != std::u16string::npos;
    path += slashes ? u'/' : u'\\';
  }
  return path + std::u16string(name);
}

}  // namespace

std::unique_ptr<SearchEngineList> ReadCatalogue(const IXmlParser& parser,
                                                std::span<const std::byte> bytes,
                                                std::u16string_view catalogueFolder) noexcept {
  try {
    const auto document = parser.Load(bytes);
    if (!document) return nullptr;
    const auto root = document->FirstChildElement(u"search_engines");
    if (!root) return nullptr;
    const auto format = root->FirstChildElement(u"format");
    if (!format || !EqualsIgnoreAsciiCase(format->Text(), kCatalogueFormat)) return nullptr;
    const std::u16string defaultGuid = ChildText(*root, u"default_search_engine");

    const auto children = root->ChildNodes();
    if (!children) return nullptr;
    auto list = std::make_unique<SearchEngineList>();
    for (const XmlChildNode& child : *children) {
      // Only elements can describe an engine; text and comments would fail its first step.
      if (!child.element || !EqualsIgnoreAsciiCase(child.name, u"search_engine")) continue;
      auto item = ReadEngine(*child.element, catalogueFolder);
      if (!item) continue;
      const ISearchEngineItem* added = item.get();
      const bool becomesDefault = defaultGuid.empty()
                                      ? list->GetCount() == 0
                                      : EqualsIgnoreAsciiCase(item->GuidView(), defaultGuid);
      list->Add(std::move(item));
      if (becomesDefault) list->SetDefault(added);
    }
    return list;
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)  // out of memory: no catalogue rather than half of one
}

std::unique_ptr<SearchEngineList> ReadCatalogueFile(const IFileSystem& files,
                                                    const IXmlParser& parser,
                                                    std::u16string_view path) noexcept {
  try {
    if (path.empty()) return nullptr;
    const auto bytes = files.ReadFile(path, kMaxCatalogueBytes);
    if (!bytes) return nullptr;
    return ReadCatalogue(parser, *bytes, FolderOf(path));
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

std::optional<CatalogueInUse> FindCatalogueInUse(const IFileSystem& files, const IXmlParser& parser,
                                                 std::u16string_view dataFolder,
                                                 std::u16string_view programFolder) noexcept {
  try {
    if (!dataFolder.empty()) {
      std::u16string dataCopy = Join(dataFolder, kCatalogueFileName);
      if (files.FileExists(dataCopy)) {
        auto list = ReadCatalogueFile(files, parser, dataCopy);
        if (list && list->GetCount() > 0) return CatalogueInUse{std::move(dataCopy), std::move(list)};
      }
    }
    if (programFolder.empty()) return std::nullopt;
    std::u16string programCopy = Join(programFolder, kCatalogueFileName);
    auto list = ReadCatalogueFile(files, parser, programCopy);
    if (!list) return std::nullopt;
    return CatalogueInUse{std::move(programCopy), std::move(list)};
  }
  BRIMLET_CATCH_RETURN_VALUE(std::nullopt)
}

std::unique_ptr<SearchEngineList> LoadCatalogue(const IFileSystem& files, const IXmlParser& parser,
                                                std::u16string_view dataFolder,
                                                std::u16string_view programFolder) noexcept {
  auto inUse = FindCatalogueInUse(files, parser, dataFolder, programFolder);
  return inUse ? std::move(inUse->list) : nullptr;
}

}  // namespace brimlet
