#include "search_engine_list.h"

#include "text/utf16.h"

namespace brimlet {

const ISearchEngineItem* SearchEngineList::GetAt(size_t index) const noexcept {
  return index < items_.size() ? items_[index].get() : nullptr;
}

const ISearchEngineItem* SearchEngineList::FindByGuid(std::u16string_view guid) const noexcept {
  for (const auto& item : items_) {
    // GetGuid copies; compare in place to stay allocation-free.
    if (EqualsIgnoreAsciiCase(item->GuidView(), guid)) return item.get();
  }
  return nullptr;
}

bool SearchEngineList::SetDefault(const ISearchEngineItem* item) noexcept {
  for (const auto& own : items_) {
    if (own.get() == item) {
      default_ = item;
      return true;
    }
  }
  return false;
}

void SearchEngineList::Add(std::unique_ptr<SearchEngineItem> item) {
  if (item) items_.push_back(std::move(item));
}

void SearchEngineList::RemoveUserEngines() noexcept {
  if (default_ != nullptr && default_->IsUserService()) default_ = nullptr;
  std::erase_if(items_, [](const auto& item) { return item->IsUserService(); });
  for (const auto& item : items_) item->SetKeyword({});
}

bool SearchEngineList::SetKeyword(std::u16string_view guid, std::u16string keyword) {
  for (const auto& item : items_) {
    if (!EqualsIgnoreAsciiCase(item->GuidView(), guid)) continue;
    item->SetKeyword(std::move(keyword));
    return true;
  }
  return false;
}

std::unique_ptr<SearchEngineList> SearchEngineList::Clone() const noexcept {
  try {
    auto copy = std::make_unique<SearchEngineList>();
    copy->items_.reserve(items_.size());
    for (const auto& item : items_) {
      auto itemCopy = item->Clone();
      if (!itemCopy) return nullptr;
      if (item.get() == default_) copy->default_ = itemCopy.get();
      copy->items_.push_back(std::move(itemCopy));
    }
    return copy;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace brimlet
