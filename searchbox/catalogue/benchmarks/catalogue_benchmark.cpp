// Loading a 500-engine catalogue and building search addresses (native adapters).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "catalogue_reader.h"
#include "large_catalogue.h"
#include "native/iconv_codepage.h"
#include "native/libxml2_xml.h"
#include "native/posix_files.h"
#include "search_url.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

std::span<const std::byte> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::byte*>(text.data()), text.size()};
}

void BM_ReadCatalogue500FromMemory(benchmark::State& state) {
  const std::string xml = LargeCatalogue();
  const LibXml2Parser parser;
  for (auto _ : state) {
    auto list = ReadCatalogue(parser, Bytes(xml), u"/catalogue/");
    if (!list || list->GetCount() != kLargeCatalogueEngines)
      state.SkipWithError("catalogue not read");
    benchmark::DoNotOptimize(list);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * xml.size()));
}
BENCHMARK(BM_ReadCatalogue500FromMemory)->Unit(benchmark::kMillisecond);

void BM_LoadCatalogue500FromFile(benchmark::State& state) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("brimlet-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  PosixFileSystem files;
  const std::u16string programFolder = Utf8ToUtf16(folder.string() + "/");
  files.WriteFile(programFolder + u"def_srch_engn.xml", Bytes(LargeCatalogue()));
  const LibXml2Parser parser;
  for (auto _ : state) {
    auto list = LoadCatalogue(files, parser, u"", programFolder);
    if (!list || list->GetCount() != kLargeCatalogueEngines)
      state.SkipWithError("catalogue not loaded");
    benchmark::DoNotOptimize(list);
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_LoadCatalogue500FromFile)->Unit(benchmark::kMillisecond);

void BM_CloneCatalogue500(benchmark::State& state) {
  const std::string xml = LargeCatalogue();
  const LibXml2Parser parser;
  const auto list = ReadCatalogue(parser, Bytes(xml), u"/catalogue/");
  for (auto _ : state) benchmark::DoNotOptimize(list->Clone());
}
BENCHMARK(BM_CloneCatalogue500)->Unit(benchmark::kMicrosecond);

void BM_FindByGuidLastOf500(benchmark::State& state) {
  const LibXml2Parser parser;
  const auto list = ReadCatalogue(parser, Bytes(LargeCatalogue()), u"/catalogue/");
  const std::u16string guid = u"{00000000-0000-4000-8000-000000000499}";
  for (auto _ : state) benchmark::DoNotOptimize(list->FindByGuid(guid));
}
BENCHMARK(BM_FindByGuidLastOf500);

// Arg 0: UTF-8 only; arg 1: the four parameter types, EUC-JP included.
void BM_BuildSearchUrl(benchmark::State& state) {
  const LibXml2Parser parser;
  const IconvCodePageConverter converter;
  const auto list = ReadCatalogue(parser, Bytes(LargeCatalogue()), u"/catalogue/");
  SearchEngineFields fields;
  fields.host = u"https://www.example.jp";
  fields.path = u"/search?";
  auto utf8Only = std::make_unique<SearchEngineParameterList>();
  auto q = std::make_unique<EncodedSearchEngineParameter>(u"utf-8");
  q->SetKey(u"q");
  utf8Only->Add(std::move(q));
  const SearchEngineItem simple(fields, std::move(utf8Only));
  const ISearchEngineItem& engine = state.range(0) == 0 ? simple : *list->GetAt(0);
  const std::u16string words = u"東京 天気 週間予報";
  for (auto _ : state) benchmark::DoNotOptimize(BuildSearchUrl(converter, engine, words));
}
BENCHMARK(BM_BuildSearchUrl)->Arg(0)->Arg(1);

void BM_BuildSuggestionUrl(benchmark::State& state) {
  const IconvCodePageConverter converter;
  const std::u16string words = u"東京 天気";
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        BuildSuggestionUrl(converter, u"https://suggest.example.jp/s?q={searchTerms}", words));
  }
}
BENCHMARK(BM_BuildSuggestionUrl);

}  // namespace
}  // namespace brimlet

BENCHMARK_MAIN();
