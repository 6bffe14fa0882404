#include "start_engine.h"

namespace brimlet {

StartEngine ChooseStartEngine(const SearchEngineList& catalogue, const ISearchEngineItem* current,
                              const StartEngineSettings& settings) noexcept {
  if (settings.rememberLastSearchEngine) {
    const ISearchEngineItem* last = settings.lastSearchEngine.empty()
                                        ? nullptr
                                        : catalogue.FindByGuid(settings.lastSearchEngine);
    return {last ? last : catalogue.GetDefault(), false};
  }
  if (settings.setDefaultSearchEngine) {
    if (settings.defaultSearchEngine.empty()) {
      // No engine named: keep the current one; a box without one still needs an engine
      // before it can search, and the catalogue default is the natural one.
      return {current ? current : catalogue.GetDefault(), false};
    }
    const ISearchEngineItem* chosen = catalogue.FindByGuid(settings.defaultSearchEngine);
    return {chosen ? chosen : catalogue.GetDefault(), false};
  }
  const ISearchEngineItem* fallback = catalogue.GetDefault();
  return {fallback, fallback != nullptr};
}

}  // namespace brimlet
