// Feeds arbitrary bytes to the catalogue reader (libxml2 adapter) and exercises whatever
// it accepts: addresses, suggestions, copies and lookups.
#include <cstddef>
#include <cstdint>

#include "catalogue_reader.h"
#include "native/iconv_codepage.h"
#include "native/libxml2_xml.h"
#include "search_url.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const brimlet::LibXml2Parser parser;
  static const brimlet::IconvCodePageConverter converter;
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  auto list = brimlet::ReadCatalogue(parser, bytes, u"/catalogue/");
  if (!list) return 0;
  for (size_t i = 0; i < list->GetCount(); ++i) {
    const brimlet::ISearchEngineItem* engine = list->GetAt(i);
    brimlet::BuildSearchUrl(converter, *engine, u"検索 50% a+b \U0001F600");
    brimlet::BuildSuggestionUrl(converter, engine->GetSuggestionsUrl(), u"東京");
    engine->GetImagePath();
    list->FindByGuid(engine->GetGuid());
  }
  auto copy = list->Clone();
  if (copy == nullptr || copy->GetCount() != list->GetCount() ||
      (list->GetDefault() == nullptr) != (copy->GetDefault() == nullptr)) {
    __builtin_trap();  // a copy must mirror its source
  }
  return 0;
}
