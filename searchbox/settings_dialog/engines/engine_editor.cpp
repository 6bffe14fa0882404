#include "engine_editor.h"

#include <algorithm>

#include "text/utf16.h"

namespace brimlet {

EngineEditor::EngineEditor(const SearchEngineList* catalogue, EngineCustomisation customisation)
    : catalogue_(catalogue),
      catalogueCount_(catalogue ? catalogue->GetCount() : 0),
      customisation_(std::move(customisation)) {
  // The list the boxes get carries the services after the catalogue's engines: only the
  // catalogue's own engines are rows of the first kind.
  if (catalogue_ != nullptr) {
    while (catalogueCount_ > 0 && catalogue_->GetAt(catalogueCount_ - 1)->IsUserService()) {
      --catalogueCount_;
    }
  }
}

std::u16string EngineEditor::CatalogueKeyword(size_t index) const {
  const std::u16string guid = catalogue_->GetAt(index)->GetGuid();
  for (const auto& entry : customisation_.keywords) {
    if (EqualsIgnoreAsciiCase(entry.guid, guid)) return entry.keyword;
  }
  return {};
}

EngineEditor::Row EngineEditor::RowAt(size_t index) const {
  if (index < catalogueCount_) {
    return {catalogue_->GetAt(index)->GetName(), CatalogueKeyword(index), u"", false};
  }
  const UserEngine& service = customisation_.services.at(index - catalogueCount_);
  return {service.name, service.keyword, service.url, true};
}

UserEngine EngineEditor::EngineAt(size_t index) const {
  if (index < catalogueCount_) {
    const ISearchEngineItem* engine = catalogue_->GetAt(index);
    return {engine->GetGuid(), engine->GetName(), u"", u"utf-8", CatalogueKeyword(index)};
  }
  return customisation_.services.at(index - catalogueCount_);
}

std::vector<std::u16string> EngineEditor::KeywordsBesides(std::optional<size_t> row) const {
  std::vector<std::u16string> taken;
  for (size_t i = 0; i < Count(); ++i) {
    if (row && *row == i) continue;
    if (std::u16string keyword = RowAt(i).keyword; !keyword.empty()) taken.push_back(keyword);
  }
  return taken;
}

std::optional<EngineFormRefusal> EngineEditor::Check(const UserEngine& form,
                                                     std::optional<size_t> row) const {
  if (!form.keyword.empty()) {
    switch (CheckKeyword(form.keyword, KeywordsBesides(row))) {
      case EngineProblem::kKeywordLength:
        return EngineFormRefusal{EngineField::kKeyword, u"キーワードは 16 文字以内にしてください"};
      case EngineProblem::kKeywordSpace:
        return EngineFormRefusal{EngineField::kKeyword, u"キーワードに空白は使えません"};
      case EngineProblem::kKeywordTaken:
        return EngineFormRefusal{EngineField::kKeyword,
                                 u"このキーワードは他の検索サービスで使われています"};
      default:
        break;
    }
  }
  if (row && !IsUserService(*row)) return std::nullopt;  // only the keyword can change
  UserEngine service = form;
  service.url = NormaliseUrlTemplate(form.url);
  if (service.guid.empty()) service.guid = u"{00000000-0000-0000-0000-000000000000}";
  switch (CheckUserEngine(service, nullptr)) {
    case EngineProblem::kNoName:
      return EngineFormRefusal{EngineField::kName, u"名前を入力してください"};
    case EngineProblem::kNoUrl:
    case EngineProblem::kNotWebAddress:
      return EngineFormRefusal{EngineField::kUrl,
                               u"http:// または https:// で始まる URL を入力してください"};
    case EngineProblem::kNoPlaceholder:
      return EngineFormRefusal{EngineField::kUrl,
                               u"URL に %s または {searchTerms} を入れてください"};
    default:
      break;
  }
  return std::nullopt;
}

std::optional<size_t> EngineEditor::Apply(UserEngine form, std::optional<size_t> row) {
  if (Check(form, row)) return std::nullopt;
  if (row && !IsUserService(*row)) {
    const std::u16string guid = catalogue_->GetAt(*row)->GetGuid();
    auto& keywords = customisation_.keywords;
    keywords.erase(std::remove_if(keywords.begin(), keywords.end(),
                                  [&](const auto& entry) { return EqualsIgnoreAsciiCase(entry.guid, guid); }),
                   keywords.end());
    if (!form.keyword.empty()) keywords.push_back({guid, form.keyword});
    return row;
  }
  form.url = NormaliseUrlTemplate(form.url);
  if (row) {
    UserEngine& service = customisation_.services.at(*row - catalogueCount_);
    form.guid = service.guid;
    // The editor does not show the suggestion address: it belongs to the service's site, so
    // a new search address drops it rather than send the words to the old site.
    if (form.url != service.url) form.suggestUrl.clear();
    service = std::move(form);
    return row;
  }
  customisation_.services.push_back(std::move(form));
  return Count() - 1;
}

bool EngineEditor::Remove(size_t index) {
  if (!IsUserService(index)) return false;
  customisation_.services.erase(customisation_.services.begin() +
                                static_cast<std::ptrdiff_t>(index - catalogueCount_));
  return true;
}

std::optional<size_t> EngineEditor::Move(size_t index, bool up) {
  if (!IsUserService(index)) return std::nullopt;
  const size_t at = index - catalogueCount_;
  auto& services = customisation_.services;
  if (up ? at == 0 : at + 1 >= services.size()) return std::nullopt;
  const size_t to = up ? at - 1 : at + 1;
  std::swap(services[at], services[to]);
  return catalogueCount_ + to;
}

}  // namespace brimlet
