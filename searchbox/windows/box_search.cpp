#include "box_search.h"

#include "search_url.h"
#include "user_engines.h"
#include "text/web_address.h"

namespace brimlet {

const ISearchEngineItem* StepEngine(std::span<const ISearchEngineItem* const> rotation,
                                    const ISearchEngineItem* current, bool forward) noexcept {
  for (size_t i = 0; i < rotation.size(); ++i) {
    if (rotation[i] != current) continue;
    if (forward) return rotation[i + 1 < rotation.size() ? i + 1 : 0];
    return rotation[i > 0 ? i - 1 : rotation.size() - 1];
  }
  return current;
}

const ISearchEngineItem* EngineForMenuCommand(const SearchEngineList& catalogue,
                                              unsigned command) noexcept {
  if (command < kFirstEngineCommand) return nullptr;
  return catalogue.GetAt(command - kFirstEngineCommand);
}

const ISearchEngineItem* ChooseBoxStartEngine(Settings& settings, const SearchEngineList& catalogue,
                                              const ISearchEngineItem* current) {
  const std::u16string last = settings.LastSearchEngine();
  const std::u16string fixed = settings.DefaultSearchEngine();
  const StartEngine start =
      ChooseStartEngine(catalogue, current,
                        StartEngineSettings{settings.RememberLastSearchEngine(), last,
                                            settings.SetDefaultSearchEngine(), fixed});
  if (start.writeLastSearchEngine && start.engine != nullptr) {
    settings.SetLastSearchEngine(start.engine->GetGuid());
  }
  return start.engine;
}

bool IsHttpAddressWords(std::u16string_view words) noexcept {
  return IsWebAddress(words) && words.size() > 4 && (words[4] == u':');
}

std::optional<std::u16string> SearchAddress(const ICodePageConverter& converter,
                                            const ISearchEngineItem* engine,
                                            std::u16string_view words) {
  if (engine == nullptr) return std::nullopt;
  std::u16string address =
      IsHttpAddressWords(words) ? std::u16string(words) : BuildSearchUrl(converter, *engine, words);
  if (!IsWebAddress(address)) return std::nullopt;
  return address;
}

namespace {

// Opens the address, then records the words with the engine and counts the search.
void OpenAndRecord(const SearchServices& services, const ISearchEngineItem& engine,
                   std::u16string_view address, std::u16string_view words, bool record,
                   bool rememberEngine) {
  services.open(address);
  if (!words.empty() && record) {
    services.history.AddHistoryEntry(words, engine.GetGuid());
    SaveHistoryFrom(services.registry, services.history);
  }
  Settings& settings = services.settings;
  if (rememberEngine && settings.RememberLastSearchEngine()) {
    settings.SetLastSearchEngine(engine.GetGuid());
  }
  settings.SetSearch(settings.Search() + 1);
  settings.SetSearchMonthly(settings.SearchMonthly() + 1);
}

}  // namespace

bool RunSearch(const SearchServices& services, const ISearchEngineItem* engine,
               std::u16string_view words, bool record) {
  const std::optional<std::u16string> address = SearchAddress(services.converter, engine, words);
  if (!address) return false;
  OpenAndRecord(services, *engine, *address, words, record, true);
  return true;
}

bool RunKeywordSearch(const SearchServices& services, const SearchEngineList& engines,
                      std::u16string_view words, bool record, bool& hadKeyword) {
  const std::optional<KeywordSearch> match = MatchKeyword(engines, words);
  hadKeyword = match.has_value();
  if (!match) return false;
  const std::u16string address = BuildSearchUrl(services.converter, *match->engine, match->words);
  if (!IsWebAddress(address)) return false;
  OpenAndRecord(services, *match->engine, address, match->words, record, false);
  return true;
}

}  // namespace brimlet
