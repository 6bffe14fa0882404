// The search history: each searched text with the guid of the engine it went to, newest
// first, kept in memory by an open box and stored as numbered value pairs under the
// history key ("SearchWords_00"/"SearchEngine_00" ... "_49").
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ports/registry.h"

namespace brimlet {

class ISearchHistory {
 public:
  virtual ~ISearchHistory() = default;
  virtual std::u16string GetSearchWords() const = 0;
  virtual std::u16string GetSearchEngine() const = 0;
};

class SearchHistoryImpl final : public ISearchHistory {
 public:
  SearchHistoryImpl(std::u16string words, std::u16string engine)
      : words_(std::move(words)), engine_(std::move(engine)) {}
  std::u16string GetSearchWords() const override { return words_; }
  std::u16string GetSearchEngine() const override { return engine_; }

 private:
  std::u16string words_;
  std::u16string engine_;
};

// At most this many pairs are stored; the in-memory list has no limit.
inline constexpr size_t kMaxStoredHistory = 50;

// A box's in-memory history. Position 0 is the newest entry; no two entries have words that
// are equal ignoring the case of A to Z.
//
// The system auto-complete object may read the list from its own thread while the box adds
// a search on the window thread, so every access takes the list's lock and hands out copies.
class SearchHistory {
 public:
  SearchHistory() = default;
  SearchHistory(const SearchHistory&) = delete;
  SearchHistory& operator=(const SearchHistory&) = delete;

  // Removes the first entry (from the newest) with equal words ignoring A-Z case, then
  // inserts the new entry at position 0.
  void AddHistoryEntry(std::u16string_view words, std::u16string_view engine);
  // Removes the entry of that pair (words and engine guid each compared ignoring A-Z case).
  // False when there is none.
  bool RemoveHistoryEntry(std::u16string_view words, std::u16string_view engine);
  size_t Count() const;
  // The words or the engine at a position; nothing past the end.
  std::optional<std::u16string> WordsAt(size_t position) const;
  std::optional<std::u16string> EngineAt(size_t position) const;
  // Both lists in order from position 0, as SaveHistory takes them.
  void CopyLists(std::vector<std::u16string>& words, std::vector<std::u16string>& engines) const;

 private:
  mutable std::mutex lock_;
  std::vector<std::unique_ptr<ISearchHistory>> entries_;
};

// The stored pairs, index 00 first. Two parallel lists of equal length.
struct StoredHistory {
  std::vector<std::u16string> words;
  std::vector<std::u16string> engines;
};

// "%s_%02u": HistoryValueName(u"SearchWords", 3) is "SearchWords_03".
std::u16string HistoryValueName(std::u16string_view prefix, size_t index);

// Reads indices 00 to 49; a pair counts only when both of its values can be read as text.
// A missing key (no history yet) gives two empty lists.
StoredHistory LoadHistory(const IRegistry& registry);
// Rewrites the whole store: deletes every pair, then writes up to 50 pairs from index 00.
// Lists of different lengths change nothing. Two empty lists clear the store.
void SaveHistory(IRegistry& registry, const std::vector<std::u16string>& words,
                 const std::vector<std::u16string>& engines);
void ClearHistory(IRegistry& registry);
// Removes every stored pair with these words and this engine guid (each compared ignoring
// A-Z case) and stores the rest at once, in their order. False, and nothing rewritten, when
// no stored pair matches.
bool RemoveStoredHistoryPair(IRegistry& registry, std::u16string_view words,
                             std::u16string_view engine);

// Fills a box's list from the store, oldest stored pair first, so that index 00 ends at
// position 0 and of equal words the lower index wins.
void LoadHistoryInto(const IRegistry& registry, SearchHistory& history);
// Stores a box's whole list.
void SaveHistoryFrom(IRegistry& registry, const SearchHistory& history);

// The newest stored words, or empty text when nothing is stored.
std::u16string NewestStoredWords(const IRegistry& registry);

}  // namespace brimlet
