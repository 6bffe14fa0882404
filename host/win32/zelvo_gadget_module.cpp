#include "win32/zelvo_gadget_module.h"

#include "settings.h"
#include "win32/instance_finder.h"
#include "win32/wide.h"

namespace brimlet::win32 {

std::u16string GadgetsFolder() {
  const std::wstring path = OwnModulePath();
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return {};
  return FromWide(path.substr(0, slash + 1)) + u"Gadgets\\";
}

std::wstring SearchBoxProgram() {
  const std::u16string folder = GadgetsFolder();
  if (folder.empty()) return {};
  return ToWide(folder + std::u16string(kGadgetGuid) + u"\\Brimlet.exe");
}

}  // namespace brimlet::win32
