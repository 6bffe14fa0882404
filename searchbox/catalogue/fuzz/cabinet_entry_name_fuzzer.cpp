// Feeds arbitrary UTF-16 names to the cabinet entry-name check and traps when it accepts a
// name that could leave the extraction folder: every component, trimmed as Windows trims
// it, must still name something below the folder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue_update.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string name(size / 2, u'\0');
  for (size_t i = 0; i < name.size(); ++i) {
    name[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  if (!brimlet::IsSafeCabinetEntryName(name)) return 0;
  if (name.find(u':') != std::u16string::npos) __builtin_trap();
  std::u16string part;
  for (size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || name[i] == u'\\' || name[i] == u'/') {
      // Windows trims trailing dots and spaces: what is left decides where the name goes.
      while (!part.empty() && (part.back() == u'.' || part.back() == u' ')) part.pop_back();
      if (part.empty()) __builtin_trap();  // absolute, doubled separators, ".", "..", ". ."
      part.clear();
    } else {
      if (name[i] == 0) __builtin_trap();
      part += name[i];
    }
  }
  return 0;
}
