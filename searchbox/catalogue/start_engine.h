// Which engine a search box starts with, from the four settings that decide it.
#pragma once

#include <string_view>

#include "search_engine_list.h"

namespace brimlet {

struct StartEngineSettings {
  bool rememberLastSearchEngine = false;
  std::u16string_view lastSearchEngine;
  bool setDefaultSearchEngine = false;
  std::u16string_view defaultSearchEngine;
};

struct StartEngine {
  // Nothing only when the catalogue offers no engine at all (and there was none before).
  const ISearchEngineItem* engine = nullptr;
  // The caller stores engine's guid as "LastSearchEngine".
  bool writeLastSearchEngine = false;
};

// `current` is the box's engine so far (nothing when it has none); it stays when a fixed
// default is asked for but not named.
StartEngine ChooseStartEngine(const SearchEngineList& catalogue, const ISearchEngineItem* current,
                              const StartEngineSettings& settings) noexcept;

}  // namespace brimlet
