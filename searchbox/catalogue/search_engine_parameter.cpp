#include "search_engine_parameter.h"

namespace brimlet {

const ISearchEngineParameter* SearchEngineParameterList::GetAt(size_t index) const {
  return index < parameters_.size() ? parameters_[index]->GetInterface() : nullptr;
}

void SearchEngineParameterList::Add(std::unique_ptr<SearchEngineParameterRoot> parameter) {
  if (parameter) parameters_.push_back(std::move(parameter));
}

std::unique_ptr<SearchEngineParameterList> SearchEngineParameterList::Clone() const noexcept {
  try {
    auto copy = std::make_unique<SearchEngineParameterList>();
    copy->parameters_.reserve(parameters_.size());
    for (const auto& parameter : parameters_) {
      auto parameterCopy = parameter->Clone();
      if (!parameterCopy) return nullptr;
      copy->parameters_.push_back(std::move(parameterCopy));
    }
    return copy;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace brimlet
