// Builders shared by the catalogue tests.
#pragma once

#include <memory>
#include <string>

#include "search_engine_list.h"

namespace brimlet::test {

inline std::unique_ptr<SearchEngineItem> MakeEngine(std::u16string guid,
                                                    std::u16string folder = u"C:\\x\\") {
  SearchEngineFields fields;
  fields.catalogueFolder = std::move(folder);
  fields.method = 7;
  fields.guid = std::move(guid);
  fields.name = u"名前 " + fields.guid;
  fields.host = u"https://example.com";
  fields.path = u"/search?";
  fields.suggestionsUrl = u"https://example.com/s?q={searchTerms}";
  fields.image = u"g.png";
  auto parameters = std::make_unique<SearchEngineParameterList>();
  auto q = std::make_unique<EncodedSearchEngineParameter>(u"utf-8");
  q->SetKey(u"q");
  parameters->Add(std::move(q));
  return std::make_unique<SearchEngineItem>(std::move(fields), std::move(parameters));
}

// A list of engines with these guids, in order, without a default.
template <typename... Guids>
std::unique_ptr<SearchEngineList> MakeList(Guids... guids) {
  auto list = std::make_unique<SearchEngineList>();
  (list->Add(MakeEngine(guids)), ...);
  return list;
}

}  // namespace brimlet::test
