// Hands the page to the browser without writing it to disk: a moniker of the program's own
// whose storage is the page resource with the skin folder filled in.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>
#include <string_view>

#include "win32/unique_resource.h"

namespace brimlet::win32 {

// The page resource's name; its type is RT_HTML.
inline constexpr wchar_t kPageResourceName[] = L"MAIN.HTML";

// The UTF-8 page with the skin folder filled in, as a stream over movable global memory
// that is freed with the stream.
HRESULT CreatePageStream(std::string_view utf8Page, std::u16string_view skinFolder,
                         ComPtr<IStream>& stream) noexcept;

// The same from the module's page resource; E_FAIL when the module has none.
HRESULT LoadPageStream(HMODULE module, std::u16string_view skinFolder,
                       ComPtr<IStream>& stream) noexcept;

// A `ContentMoniker` serving `module`'s page for `skinFolder` (with its trailing
// backslash). Its display name carries the tick count at creation, so each box's page has
// an address of its own. Empty when out of memory.
ComPtr<IMoniker> CreateContentMoniker(HMODULE module, std::u16string skinFolder) noexcept;

}  // namespace brimlet::win32
