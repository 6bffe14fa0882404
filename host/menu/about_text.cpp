#include "menu/about_text.h"

namespace brimlet {

std::u16string FillVersion(std::u16string_view text, std::u16string_view version) {
  std::u16string result;
  size_t from = 0;
  for (size_t at; (at = text.find(kVersionPlaceholder, from)) != std::u16string_view::npos;
       from = at + kVersionPlaceholder.size()) {
    result.append(text.substr(from, at - from)).append(version);
  }
  result.append(text.substr(from));
  return result;
}

}  // namespace brimlet
