// Feeds arbitrary UTF-16 names to the cabinet entry-name check and traps when it accepts a
// name that could leave the extraction folder, open a device or be anything but the
// catalogue or one of its pictures.
#include <cstddef>
#include <cstdint>
#include <string>

#include "catalogue_update.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string name(size / 2, u'\0');
  for (size_t i = 0; i < name.size(); ++i) {
    name[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  if (!brimlet::IsAllowedCabinetEntryName(name)) return 0;
  if (name == u"def_srch_engn.xml") return 0;
  if (name.size() > brimlet::kMaxCabinetEntryNameLength) __builtin_trap();
  if (name.substr(0, 6) != u"image\\") __builtin_trap();
  const std::u16string file = name.substr(6);
  for (char16_t c : file) {
    // One folder level, no drive, stream, control, space or anything outside ASCII.
    if (c == u'\\' || c == u'/' || c == u':' || c <= u' ' || c >= 0x7F) __builtin_trap();
  }
  if (file.empty() || file.front() == u'.' || file.back() == u'.') __builtin_trap();
  if (brimlet::IsDeviceName(file.substr(0, file.find(u'.')))) __builtin_trap();
  return 0;
}
