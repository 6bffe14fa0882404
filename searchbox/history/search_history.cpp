#include "search_history.h"

#include <algorithm>
#include <cstring>

#include "settings.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

constexpr std::u16string_view kWordsPrefix = u"SearchWords";
constexpr std::u16string_view kEnginePrefix = u"SearchEngine";

// Text as stored: REG_SZ only; the terminating zero may or may not be part of the data.
std::optional<std::u16string> ReadHistoryText(const IRegistry& registry, std::u16string_view name) {
  const auto value = ReadRegistryValue(registry, RegistryRoot::kCurrentUser, kHistoryKey, name);
  if (!value || value->type != reg_type::kSz) return std::nullopt;
  std::u16string text(value->data.size() / 2, u'\0');
  if (!text.empty()) std::memcpy(text.data(), value->data.data(), text.size() * 2);
  const size_t end = text.find(u'\0');
  if (end != std::u16string::npos) text.resize(end);
  return text;
}

// History text is stored with its terminating zero counted in the length.
bool WriteHistoryText(IRegistry& registry, std::u16string_view name, const std::u16string& text) {
  const std::span<const std::byte> data{reinterpret_cast<const std::byte*>(text.c_str()),
                                        (text.size() + 1) * sizeof(char16_t)};
  return registry.SetValue(RegistryRoot::kCurrentUser, kHistoryKey, name, reg_type::kSz, data);
}

bool SamePair(std::u16string_view words, std::u16string_view engine, std::u16string_view otherWords,
              std::u16string_view otherEngine) noexcept {
  return EqualsIgnoreAsciiCase(words, otherWords) && EqualsIgnoreAsciiCase(engine, otherEngine);
}

}  // namespace

void SearchHistory::AddHistoryEntry(std::u16string_view words, std::u16string_view engine) {
  auto entry = std::make_unique<SearchHistoryImpl>(std::u16string(words), std::u16string(engine));
  std::lock_guard guard(lock_);
  const auto same = std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) {
    return EqualsIgnoreAsciiCase(e->GetSearchWords(), words);
  });
  if (same != entries_.end()) entries_.erase(same);
  entries_.insert(entries_.begin(), std::move(entry));
}

bool SearchHistory::RemoveHistoryEntry(std::u16string_view words, std::u16string_view engine) {
  std::lock_guard guard(lock_);
  const auto same = std::find_if(entries_.begin(), entries_.end(), [&](const auto& e) {
    return SamePair(e->GetSearchWords(), e->GetSearchEngine(), words, engine);
  });
  if (same == entries_.end()) return false;
  entries_.erase(same);
  return true;
}

size_t SearchHistory::Count() const {
  std::lock_guard guard(lock_);
  return entries_.size();
}

std::optional<std::u16string> SearchHistory::WordsAt(size_t position) const {
  std::lock_guard guard(lock_);
  if (position >= entries_.size()) return std::nullopt;
  return entries_[position]->GetSearchWords();
}

std::optional<std::u16string> SearchHistory::EngineAt(size_t position) const {
  std::lock_guard guard(lock_);
  if (position >= entries_.size()) return std::nullopt;
  return entries_[position]->GetSearchEngine();
}

void SearchHistory::CopyLists(std::vector<std::u16string>& words,
                              std::vector<std::u16string>& engines) const {
  std::lock_guard guard(lock_);
  words.clear();
  engines.clear();
  for (const auto& entry : entries_) {
    words.push_back(entry->GetSearchWords());
    engines.push_back(entry->GetSearchEngine());
  }
}

std::u16string HistoryValueName(std::u16string_view prefix, size_t index) {
  std::u16string name(prefix);
  name += u'_';
  if (index < 10) name += u'0';
  name += FormatDecimal(static_cast<int64_t>(index));
  return name;
}

StoredHistory LoadHistory(const IRegistry& registry) {
  StoredHistory stored;
  if (!registry.KeyExists(RegistryRoot::kCurrentUser, kHistoryKey)) return stored;
  for (size_t index = 0; index < kMaxStoredHistory; ++index) {
    auto words = ReadHistoryText(registry, HistoryValueName(kWordsPrefix, index));
    if (!words) continue;
    auto engine = ReadHistoryText(registry, HistoryValueName(kEnginePrefix, index));
    if (!engine) continue;
    stored.words.push_back(std::move(*words));
    stored.engines.push_back(std::move(*engine));
  }
  return stored;
}

void SaveHistory(IRegistry& registry, const std::vector<std::u16string>& words,
                 const std::vector<std::u16string>& engines) {
  if (words.size() != engines.size()) return;
  const bool existed = registry.KeyExists(RegistryRoot::kCurrentUser, kHistoryKey);
  if (existed) {
    for (size_t index = 0; index < kMaxStoredHistory; ++index) {
      registry.DeleteValue(RegistryRoot::kCurrentUser, kHistoryKey,
                           HistoryValueName(kWordsPrefix, index));
      registry.DeleteValue(RegistryRoot::kCurrentUser, kHistoryKey,
                           HistoryValueName(kEnginePrefix, index));
    }
  }
  if (words.empty()) return;
  if (!existed) registry.CreateKey(RegistryRoot::kCurrentUser, kHistoryKey);
  if (!registry.KeyExists(RegistryRoot::kCurrentUser, kHistoryKey)) return;
  const size_t count = std::min(words.size(), kMaxStoredHistory);
  for (size_t index = 0; index < count; ++index) {
    // A value that cannot be written is left out; the others are still written.
    WriteHistoryText(registry, HistoryValueName(kWordsPrefix, index), words[index]);
    WriteHistoryText(registry, HistoryValueName(kEnginePrefix, index), engines[index]);
  }
}

void ClearHistory(IRegistry& registry) { SaveHistory(registry, {}, {}); }

bool RemoveStoredHistoryPair(IRegistry& registry, std::u16string_view words,
                             std::u16string_view engine) {
  const StoredHistory stored = LoadHistory(registry);
  StoredHistory kept;
  for (size_t i = 0; i < stored.words.size(); ++i) {
    if (SamePair(stored.words[i], stored.engines[i], words, engine)) continue;
    kept.words.push_back(stored.words[i]);
    kept.engines.push_back(stored.engines[i]);
  }
  if (kept.words.size() == stored.words.size()) return false;
  SaveHistory(registry, kept.words, kept.engines);
  return true;
}

void LoadHistoryInto(const IRegistry& registry, SearchHistory& history) {
  const StoredHistory stored = LoadHistory(registry);
  for (size_t i = stored.words.size(); i-- > 0;) {
    history.AddHistoryEntry(stored.words[i], stored.engines[i]);
  }
}

void SaveHistoryFrom(IRegistry& registry, const SearchHistory& history) {
  std::vector<std::u16string> words;
  std::vector<std::u16string> engines;
  history.CopyLists(words, engines);
  SaveHistory(registry, words, engines);
}

std::u16string NewestStoredWords(const IRegistry& registry) {
  StoredHistory stored = LoadHistory(registry);
  return stored.words.empty() ? std::u16string() : std::move(stored.words.front());
}

}  // namespace brimlet
