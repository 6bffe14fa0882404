// The catalogue: the engines in file order and the default engine. Windows work on their
// own deep copy (Clone), so selecting and rotating never touches the reader's list.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "search_engine_item.h"

namespace brimlet {

class SearchEngineList final {
 public:
  SearchEngineList() = default;
  SearchEngineList(const SearchEngineList&) = delete;
  SearchEngineList& operator=(const SearchEngineList&) = delete;
  virtual ~SearchEngineList() = default;  // deletes every item

  size_t GetCount() const noexcept { return items_.size(); }
  // Nothing when the index is not below the count.
  const ISearchEngineItem* GetAt(size_t index) const noexcept;
  // The first engine whose guid matches ignoring the case of A to Z only.
  const ISearchEngineItem* FindByGuid(std::u16string_view guid) const noexcept;
  const ISearchEngineItem* GetDefault() const noexcept { return default_; }
  // Only an item of this list can be the default; false (and no change) otherwise.
  bool SetDefault(const ISearchEngineItem* item) noexcept;
  // Appends at the end and takes ownership.
  void Add(std::unique_ptr<SearchEngineItem> item);
  // Removes the user's services and every keyword: the catalogue as it was read.
  void RemoveUserEngines() noexcept;
  // Gives the engine with that guid its keyword; false when there is none.
  bool SetKeyword(std::u16string_view guid, std::u16string keyword);
  // A deep copy whose default is its own copy of the default; nothing when any engine
  // cannot be copied.
  std::unique_ptr<SearchEngineList> Clone() const noexcept;

 private:
  std::vector<std::unique_ptr<SearchEngineItem>> items_;
  const ISearchEngineItem* default_ = nullptr;
};

}  // namespace brimlet
