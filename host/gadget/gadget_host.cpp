#include "gadget_host.h"

#include "text/utf16.h"
#include "ports/trace.h"

namespace brimlet {

IGadgetList* GadgetHost::GetGadgetList() noexcept {
  if (list_) return list_.get();
  try {
    auto list = std::make_unique<GadgetList>(env_);
    // A folder that cannot be listed leaves the list empty; the host runs on without gadgets.
    // An empty folder name (the host's path was too long) must not scan the current folder.
    if (!gadgetsFolder_.empty()) list->Load(gadgetsFolder_);
    list_ = std::move(list);
  }
  BRIMLET_CATCH_LOG()
  return list_.get();
}

void GadgetHost::StartGadgets() noexcept {
  if (IGadgetList* list = GetGadgetList()) list->StartAll();
}

void GadgetHost::StopGadgets() noexcept {
  if (IGadgetList* list = GetGadgetList()) list->StopAll();
}

GadgetResult GadgetHost::ExecuteGadgetCommand(std::u16string_view commandGuid) noexcept {
  IGadgetList* list = GetGadgetList();
  return list ? list->ExecuteCommand(commandGuid) : gadget_result::kUnexpected;
}

GadgetResult GadgetHost::ConfigureGadget(std::u16string_view gadgetGuid) noexcept {
  IGadgetList* list = GetGadgetList();
  if (!list) return gadget_result::kUnexpected;
  const GadgetResult result = list->Configure(gadgetGuid);
  if (gadget_result::Succeeded(result)) list->RebindTrigger(gadgetGuid);
  return result;
}

void GadgetHost::RunDefaultCommands() noexcept {
  IGadgetList* list = GetGadgetList();
  if (!list) return;
  try {
    for (size_t i = 0; i < list->GetCount(); ++i) {
      IGadgetItem* gadget = list->GetAt(i);
      const std::u16string defaultCommand = gadget->GetDefaultCommand();
      if (defaultCommand.empty()) continue;
      std::vector<const IGadgetItemCommand*> commands;
      gadget->GetCommands(commands);
      // Every matching command runs, so a guid listed twice runs twice; each in this gadget,
      // not in another gadget that lists the same guid first.
      for (const IGadgetItemCommand* command : commands) {
        const std::u16string guid = command->GetGuid();
        if (EqualsIgnoreAsciiCase(guid, defaultCommand)) gadget->ExecuteCommand(guid);
      }
    }
  }
  BRIMLET_CATCH_LOG()  // Out of memory copying texts: the remaining defaults are skipped.
}

}  // namespace brimlet
