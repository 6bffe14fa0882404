// The about box's text with the installed version put in.
#pragma once

#include <string>
#include <string_view>

namespace brimlet {

inline constexpr std::u16string_view kVersionPlaceholder = u"{_VERSION_}";

// Every "{_VERSION_}" replaced; a missing version leaves nothing in its place.
std::u16string FillVersion(std::u16string_view text, std::u16string_view version);

}  // namespace brimlet
