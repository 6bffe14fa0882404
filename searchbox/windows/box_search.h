// What a search box decides without a window, whichever its design: which engine comes next,
// what a search opens, and what a search records.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ports/codepage.h"
#include "ports/registry.h"
#include "search_engine_item.h"
#include "search_engine_list.h"
#include "search_history.h"
#include "settings.h"
#include "start_engine.h"

namespace brimlet {

// The engine after (forward) or before `current` in the rotation list, wrapping at both
// ends; `current` itself when it is not in the list.
const ISearchEngineItem* StepEngine(std::span<const ISearchEngineItem* const> rotation,
                                    const ISearchEngineItem* current, bool forward) noexcept;

// The engine menu gives engine i the command 100 + i.
inline constexpr unsigned kFirstEngineCommand = 100;
const ISearchEngineItem* EngineForMenuCommand(const SearchEngineList& catalogue,
                                              unsigned command) noexcept;

// The engine a new box starts with, by the start engine rule on the box's settings; stores it
// as "LastSearchEngine" when the rule says so. `current` when the catalogue decides nothing.
const ISearchEngineItem* ChooseBoxStartEngine(Settings& settings, const SearchEngineList& catalogue,
                                              const ISearchEngineItem* current);

// Words that are themselves an http address are opened as they are (https is searched as
// words, like any other text).
bool IsHttpAddressWords(std::u16string_view words) noexcept;

// The address a search opens: the words when they are an http address, otherwise the
// engine's result page for them. Nothing without an engine, and nothing when the result is
// not an absolute http or https address: the catalogue can come from a download, and the
// shell would run a program or open a local file for anything else.
std::optional<std::u16string> SearchAddress(const ICodePageConverter& converter,
                                            const ISearchEngineItem* engine,
                                            std::u16string_view words);

struct SearchServices {
  const ICodePageConverter& converter;
  Settings& settings;
  IRegistry& registry;  // the history store
  SearchHistory& history;
  // Hands the address to the shell.
  std::function<void(std::u16string_view address)> open;
};

// Runs one search: opens the address, then records it: the words in the history (when
// recording and the words are not empty), the engine as "LastSearchEngine" (when
// remembering) and the "Search" and "SearchMonthly" counters. Nothing happens when there is
// no address to open. True when an address was opened.
bool RunSearch(const SearchServices& services, const ISearchEngineItem* engine,
               std::u16string_view words, bool record);

// Runs a search with the engine whose keyword begins the words (the words without it),
// recorded and counted as any search, but "LastSearchEngine" stays: the keyword picks the
// engine for this search only. The words after a keyword are always searched, even when
// they are an address. False when the words hold no keyword (nothing happens then) or
// there is no address to open.
bool RunKeywordSearch(const SearchServices& services, const SearchEngineList& engines,
                      std::u16string_view words, bool record, bool& hadKeyword);

}  // namespace brimlet
