// Feeds arbitrary bytes to the gadget manifest reader (libxml2 adapter) as the file
// "gadget.xml" and exercises whatever it accepts.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gadget/gadget_manifest.h"
#include "native/libxml2_xml.h"
#include "tests/recording_binder.h"

namespace {

// One file, the manifest; the reader asks for nothing else.
class OneFile final : public brimlet::IFileSystem {
 public:
  explicit OneFile(std::span<const std::byte> bytes) : bytes_(bytes) {}
  bool FileExists(std::u16string_view) const noexcept override { return true; }
  std::optional<std::vector<std::byte>> ReadFile(std::u16string_view,
                                                 size_t maxBytes) const override {
    if (bytes_.size() > maxBytes) return std::nullopt;
    return std::vector<std::byte>(bytes_.begin(), bytes_.end());
  }
  bool WriteFile(std::u16string_view, std::span<const std::byte>) override { return false; }
  bool RemoveFile(std::u16string_view) noexcept override { return false; }
  std::optional<std::vector<brimlet::FolderEntry>> ListFolder(std::u16string_view) const override {
    return std::nullopt;
  }
  bool CreateFolder(std::u16string_view) noexcept override { return false; }

 private:
  std::span<const std::byte> bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const brimlet::LibXml2Parser parser;
  const OneFile files({reinterpret_cast<const std::byte*>(data), size});
  brimlet::testing::RecordingBinder binder;
  const auto item = brimlet::ReadGadgetManifest({files, parser, binder}, u"/gadgets/",
                                                u"/gadgets/{a}/gadget.xml");
  if (!item) return 0;
  if (item->GetGuid().empty() || item->GetModule().empty() || item->GetTriggerType() == 0) {
    __builtin_trap();  // an accepted manifest always names its gadget and trigger
  }
  std::vector<const brimlet::IGadgetItemCommand*> commands;
  item->GetCommands(commands);
  for (const auto* command : commands) {
    if (command->GetGuid().empty() || command->GetType() == 0) __builtin_trap();
  }
  item->InstallTrigger();
  item->ExecuteCommand(item->GetDefaultCommand());
  item->RemoveTrigger();
  return 0;
}
