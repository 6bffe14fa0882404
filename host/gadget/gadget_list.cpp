#include "gadget_list.h"

#include "gadget_manifest.h"
#include "text/utf16.h"
#include "ports/trace.h"

namespace brimlet {
namespace {

bool HasCommand(const IGadgetItem& gadget, std::u16string_view commandGuid) {
  std::vector<const IGadgetItemCommand*> commands;
  gadget.GetCommands(commands);
  for (const IGadgetItemCommand* command : commands) {
    if (EqualsIgnoreAsciiCase(command->GetGuid(), commandGuid)) return true;
  }
  return false;
}

}  // namespace

IGadgetItem* GadgetList::GetAt(size_t index) const noexcept {
  return index < items_.size() ? items_[index].get() : nullptr;
}

bool GadgetList::Load(std::u16string_view gadgetsFolder) {
  const auto entries = env_.files.ListFolder(gadgetsFolder);
  if (!entries) return false;
  const char16_t separator = !gadgetsFolder.empty() && gadgetsFolder.back() == u'/' ? u'/' : u'\\';
  // No sorting: the file system's order is the gadget order, and with it the menu order.
  for (const FolderEntry& entry : *entries) {
    if (!entry.isFolder || entry.name == u"." || entry.name == u"..") continue;
    const std::u16string manifest =
        std::u16string(gadgetsFolder) + entry.name + separator + std::u16string(kManifestName);
    if (auto gadget = ReadGadgetManifest(env_, gadgetsFolder, manifest)) {
      items_.push_back(std::move(gadget));
    }
  }
  return true;
}

void GadgetList::StartAll() noexcept {
  // A gadget whose hook could not go in is not told to start.
  for (const auto& gadget : items_) {
    if (gadget->InstallTrigger()) gadget->OnStart();
  }
}

void GadgetList::StopAll() noexcept {
  for (const auto& gadget : items_) gadget->RemoveTrigger();
}

void GadgetList::RebindTrigger(std::u16string_view gadgetGuid) noexcept {
  try {
    for (const auto& gadget : items_) {
      if (!EqualsIgnoreAsciiCase(gadget->GetGuid(), gadgetGuid)) continue;
      gadget->RemoveTrigger();
      gadget->InstallTrigger();
    }
  }
  BRIMLET_CATCH_LOG()
}

GadgetResult GadgetList::ExecuteCommand(std::u16string_view commandGuid) noexcept {
  try {
    for (const auto& gadget : items_) {
      if (HasCommand(*gadget, commandGuid)) return gadget->ExecuteCommand(commandGuid);
    }
  }
  BRIMLET_CATCH_RETURN_VALUE(gadget_result::kUnexpected)
  return gadget_result::kInvalidArgument;
}

GadgetResult GadgetList::Configure(std::u16string_view gadgetGuid) noexcept {
  try {
    for (const auto& gadget : items_) {
      if (EqualsIgnoreAsciiCase(gadget->GetGuid(), gadgetGuid)) return gadget->Configure();
    }
  }
  BRIMLET_CATCH_RETURN_VALUE(gadget_result::kUnexpected)
  return gadget_result::kInvalidArgument;
}

}  // namespace brimlet
