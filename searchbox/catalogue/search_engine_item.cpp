#include "search_engine_item.h"

#include "text/plain_file_name.h"

namespace brimlet {

SearchEngineItem::SearchEngineItem(SearchEngineFields fields,
                                   std::unique_ptr<SearchEngineParameterList> parameters)
    : fields_(std::move(fields)), parameters_(std::move(parameters)) {
  if (!parameters_) parameters_ = std::make_unique<SearchEngineParameterList>();
}

std::u16string SearchEngineItem::GetImagePath() const {
  // The name comes from a downloaded catalogue: "..\\..\\x.png" must not reach any image on
  // the machine, so such an engine has no image path.
  if (!fields_.image.empty() && !IsPlainFileName(fields_.image)) return {};
  // The folder's own separator: a backslash on Windows, a slash in native tests.
  const std::u16string& folder = fields_.catalogueFolder;
  const char16_t separator = !folder.empty() && folder.back() == u'/' ? u'/' : u'\\';
  return folder + u"image" + separator + fields_.image;
}

std::unique_ptr<SearchEngineItem> SearchEngineItem::Clone() const noexcept {
  try {
    auto parameters = parameters_->Clone();
    if (!parameters) return nullptr;
    // The method travels with the copy too: a copy must describe the same engine.
    return std::make_unique<SearchEngineItem>(fields_, std::move(parameters));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace brimlet
