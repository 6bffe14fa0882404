#include "win32/script_function.h"

#include <array>

namespace brimlet::win32 {

HRESULT CallScriptFunction(IDispatch* function, std::span<const VARIANT> args) noexcept {
  if (function == nullptr) return S_FALSE;
  std::array<VARIANT, 8> reversed{};
  if (args.size() > reversed.size()) return E_INVALIDARG;
  // The arguments are only lent to the callee: shallow copies suffice.
  for (size_t i = 0; i < args.size(); ++i) reversed[args.size() - 1 - i] = args[i];
  DISPPARAMS params{};
  params.rgvarg = args.empty() ? nullptr : reversed.data();
  params.cArgs = static_cast<UINT>(args.size());
  return function->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                          nullptr);
}

}  // namespace brimlet::win32
