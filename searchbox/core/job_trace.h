// Where the portable parts of the background work report a refusal: a line on the
// debugger output in the product (win32::Trace), a recorder in tests.
#pragma once

#include <string_view>

namespace brimlet {

using TraceSink = void (*)(std::u16string_view line) noexcept;

}  // namespace brimlet
