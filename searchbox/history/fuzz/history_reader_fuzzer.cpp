// Feeds arbitrary registry contents below the history key to the history reader, as another
// program (or a damaged profile) could leave them: values of any type, size and name
// index. The reader must keep its bounds: two lists of equal length, at most 50 pairs, and
// a box's list no longer than that.
#include <cstddef>
#include <cstdint>
#include <span>

#include "native/memory_registry.h"
#include "search_history.h"
#include "settings.h"

namespace {

constexpr size_t kMaxPairs = 50;

}  // namespace

// Records of: index byte (beyond 49 too), kind byte (words or engine), type byte, length
// byte, then that many data bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  brimlet::MemoryRegistry registry;
  registry.CreateKey(brimlet::RegistryRoot::kCurrentUser, brimlet::kHistoryKey);
  size_t at = 0;
  while (at + 4 <= size) {
    const size_t index = data[at] % 64;
    const bool words = (data[at + 1] & 1) == 0;
    const uint32_t type = data[at + 2] % 12;
    size_t length = data[at + 3];
    at += 4;
    if (length > size - at) length = size - at;
    const std::span<const std::byte> value(reinterpret_cast<const std::byte*>(data + at), length);
    at += length;
    registry.SetValue(brimlet::RegistryRoot::kCurrentUser, brimlet::kHistoryKey,
                      brimlet::HistoryValueName(words ? u"SearchWords" : u"SearchEngine", index),
                      type, value);
  }
  const brimlet::StoredHistory stored = brimlet::LoadHistory(registry);
  if (stored.words.size() != stored.engines.size() || stored.words.size() > kMaxPairs) {
    __builtin_trap();
  }
  brimlet::SearchHistory history;
  brimlet::LoadHistoryInto(registry, history);
  if (history.Count() > stored.words.size()) __builtin_trap();
  return 0;
}
