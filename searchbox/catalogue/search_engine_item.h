// One search engine of the catalogue, or one of the user's own search services: the pieces
// of its result-page address (a user service has an address template instead), its display
// name, icon, suggestion address and keyword. Items are immutable once their list is built.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "search_engine_parameter.h"

namespace brimlet {

class ISearchEngineItem {
 public:
  virtual std::u16string GetGuid() const = 0;
  virtual int32_t GetMethod() const = 0;
  virtual std::u16string GetName() const = 0;
  virtual std::u16string GetHost() const = 0;
  virtual std::u16string GetPath() const = 0;
  virtual std::u16string GetSuggestionsUrl() const = 0;
  virtual std::u16string GetImage() const = 0;
  // Catalogue folder + "image\" + image; empty when the image name is not a plain file name
  // (a path, a drive or "..").
  virtual std::u16string GetImagePath() const = 0;
  // Borrowed: the item keeps ownership.
  virtual const ISearchEngineParameterList* GetParameters() const = 0;
  // A user service's address, "{searchTerms}" marking the words; empty for catalogue engines.
  virtual std::u16string GetUrlTemplate() const = 0;
  // A user service's encoding of the words: "utf-8", "shift_jis" or "euc-jp".
  virtual std::u16string GetEncoding() const = 0;
  // The keyword typed before the words to search with this engine; empty when none.
  virtual std::u16string GetKeyword() const = 0;
  bool IsUserService() const { return !GetUrlTemplate().empty(); }
  virtual ~ISearchEngineItem() = default;
};

struct SearchEngineFields {
  std::u16string catalogueFolder;  // ends in the path separator
  int32_t method = 1;
  std::u16string guid;
  std::u16string name;
  std::u16string host;
  std::u16string path;
  std::u16string suggestionsUrl;
  std::u16string image;
  std::u16string urlTemplate;  // user services only
  std::u16string encoding;     // user services only
  std::u16string keyword;
};

class SearchEngineItem final : public ISearchEngineItem {
 public:
  SearchEngineItem(SearchEngineFields fields,
                   std::unique_ptr<SearchEngineParameterList> parameters);

  std::u16string GetGuid() const override { return fields_.guid; }
  int32_t GetMethod() const override { return fields_.method; }
  std::u16string GetName() const override { return fields_.name; }
  std::u16string GetHost() const override { return fields_.host; }
  std::u16string GetPath() const override { return fields_.path; }
  std::u16string GetSuggestionsUrl() const override { return fields_.suggestionsUrl; }
  std::u16string GetImage() const override { return fields_.image; }
  std::u16string GetImagePath() const override;
  const ISearchEngineParameterList* GetParameters() const override { return parameters_.get(); }
  std::u16string GetUrlTemplate() const override { return fields_.urlTemplate; }
  std::u16string GetEncoding() const override { return fields_.encoding; }
  std::u16string GetKeyword() const override { return fields_.keyword; }

  // Only while the list is being put together, before any window sees it.
  void SetKeyword(std::u16string keyword) { fields_.keyword = std::move(keyword); }

  std::u16string_view GuidView() const noexcept { return fields_.guid; }
  // A deep copy, or nothing when any part cannot be copied.
  std::unique_ptr<SearchEngineItem> Clone() const noexcept;

 private:
  SearchEngineFields fields_;
  std::unique_ptr<SearchEngineParameterList> parameters_;
};

}  // namespace brimlet
