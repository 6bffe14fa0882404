// What the search service editor edits: every engine's keyword and the user's services, in a
// copy that is written to the settings key only when the user confirms.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "search_engine_list.h"
#include "user_engines.h"

namespace brimlet {

// A form's field, to put a refusal beside it.
enum class EngineField { kName, kUrl, kKeyword };

struct EngineFormRefusal {
  EngineField field;
  std::u16string message;  // Japanese, for the user
};

class EngineEditor {
 public:
  // Catalogue engines first (only their keyword can change), then the services.
  EngineEditor(const SearchEngineList* catalogue, EngineCustomisation customisation);

  struct Row {
    std::u16string name;
    std::u16string keyword;
    std::u16string url;  // services only
    bool userService = false;
  };
  size_t Count() const noexcept { return catalogueCount_ + customisation_.services.size(); }
  Row RowAt(size_t index) const;
  bool IsUserService(size_t index) const noexcept {
    return index >= catalogueCount_ && index < Count();
  }
  // The service behind a row, or the catalogue engine's keyword in a service's shape (only
  // its name and keyword mean anything then).
  UserEngine EngineAt(size_t index) const;

  // The form's words checked for the row (nothing: a new service); "%s" in the address
  // becomes "{searchTerms}". Nothing when the form can be taken.
  std::optional<EngineFormRefusal> Check(const UserEngine& form, std::optional<size_t> row) const;
  // Takes a checked form: a new service at the end (its guid given), or the row's new state.
  // The index of the row it went to; nothing when the form is refused.
  std::optional<size_t> Apply(UserEngine form, std::optional<size_t> row);
  bool Remove(size_t index);
  // Moves a service one place up or down among the services; the new index, or nothing.
  std::optional<size_t> Move(size_t index, bool up);

  const EngineCustomisation& Customisation() const noexcept { return customisation_; }
  EngineCustomisation& MutableCustomisation() noexcept { return customisation_; }

 private:
  std::vector<std::u16string> KeywordsBesides(std::optional<size_t> row) const;
  std::u16string CatalogueKeyword(size_t index) const;

  const SearchEngineList* catalogue_;
  size_t catalogueCount_;
  EngineCustomisation customisation_;
};

}  // namespace brimlet
