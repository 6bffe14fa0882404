// Timed under Wine: the product's own adapters (the platform DOM, the platform's code-page
// conversion) reading the 500-engine catalogue and building search addresses.
//   wine catalogue_timing.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "catalogue_reader.h"
#include "large_catalogue.h"
#include "search_url.h"
#include "win32/win32_codepage.h"
#include "win32/win32_xml.h"

namespace brimlet {
namespace {

double Now() {
  LARGE_INTEGER counter, frequency;
  ::QueryPerformanceCounter(&counter);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Best and median of 7 rounds, in microseconds per call.
template <typename F>
void Time(const char* what, int callsPerRound, F&& call) {
  std::vector<double> rounds;
  for (int round = 0; round < 7; ++round) {
    const double start = Now();
    for (int i = 0; i < callsPerRound; ++i) call();
    rounds.push_back((Now() - start) * 1e6 / callsPerRound);
  }
  std::sort(rounds.begin(), rounds.end());
  std::printf("%-58s best %10.1f us  median %10.1f us\n", what, rounds.front(), rounds[3]);
}

int Run() {
  const std::string xml = LargeCatalogue();
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(xml.data()),
                                         xml.size());
  const win32::Win32XmlParser parser;
  const win32::Win32CodePageConverter converter;
  const auto list = ReadCatalogue(parser, bytes, u"C:\\catalogue\\");
  if (!list || list->GetCount() != kLargeCatalogueEngines) {
    std::printf("the catalogue was not read\n");
    return 1;
  }
  Time("ReadCatalogue, 500 engines (platform DOM)", 1,
       [&] { ReadCatalogue(parser, bytes, u"C:\\catalogue\\"); });
  Time("SearchEngineList::Clone, 500 engines", 10, [&] { list->Clone(); });
  SearchEngineFields fields;
  fields.host = u"https://www.example.jp";
  fields.path = u"/search?";
  auto utf8Only = std::make_unique<SearchEngineParameterList>();
  auto q = std::make_unique<EncodedSearchEngineParameter>(u"utf-8");
  q->SetKey(u"q");
  utf8Only->Add(std::move(q));
  const SearchEngineItem simple(fields, std::move(utf8Only));
  const std::u16string words = u"東京 天気 週間予報";
  Time("BuildSearchUrl, one UTF-8 parameter", 1000,
       [&] { BuildSearchUrl(converter, simple, words); });
  Time("BuildSearchUrl, one parameter of each type", 1000,
       [&] { BuildSearchUrl(converter, *list->GetAt(0), words); });
  Time("BuildSuggestionUrl", 1000, [&] {
    BuildSuggestionUrl(converter, u"https://suggest.example.jp/s?q={searchTerms}", u"東京 天気");
  });
  return 0;
}

}  // namespace
}  // namespace brimlet

int wmain() { return brimlet::Run(); }
