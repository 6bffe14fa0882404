// Script functions that a page hands to the program (the page's event handlers, the
// completion list's callbacks) are called as their default method: DISPID 0, a method call,
// positional arguments only, last argument first in the array, no result wanted.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <span>

namespace brimlet::win32 {

// `args` in the order the script function declares them; at most 8. S_FALSE when there is
// no function (an unset callback drops the event), E_INVALIDARG for too many arguments,
// otherwise the script's own result.
HRESULT CallScriptFunction(IDispatch* function, std::span<const VARIANT> args = {}) noexcept;

}  // namespace brimlet::win32
