#include "win32/zelvo_gadget_module.h"

#include "win32/instance_finder.h"
#include "win32/wide.h"

namespace brimlet::win32 {

std::u16string GadgetsFolder() {
  const std::wstring path = OwnModulePath();
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  return FromWide(path.substr(0, slash + 1)) + u"Gadgets\\";
}

}  // namespace brimlet::win32
