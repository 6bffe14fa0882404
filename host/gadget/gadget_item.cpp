#include "gadget_item.h"
#include "ports/trace.h"

namespace brimlet {
namespace {

constexpr int kKeyboardHookType = 2;  // WH_KEYBOARD
constexpr int kMouseHookType = 7;     // WH_MOUSE

}  // namespace

GadgetItem::GadgetItem(GadgetDescription description, std::u16string gadgetsFolder,
                       ITriggerBinder& binder) noexcept
    : d_(std::move(description)), gadgetsFolder_(std::move(gadgetsFolder)), binder_(binder) {}

GadgetItem::~GadgetItem() { RemoveTrigger(); }

std::u16string GadgetItem::ModulePath() const {
  // Paths keep the separator the gadgets folder was given with (a backslash on Windows).
  const char16_t separator =
      !gadgetsFolder_.empty() && gadgetsFolder_.back() == u'/' ? u'/' : u'\\';
  return gadgetsFolder_ + d_.guid + separator + d_.module;
}

bool GadgetItem::InstallTrigger() noexcept {
  const char* exportName = nullptr;
  int hookType = 0;
  if (d_.triggerType == kKeyboardTrigger) {
    exportName = "KeyboardProc";
    hookType = kKeyboardHookType;
  } else if (d_.triggerType == kMouseTrigger) {
    exportName = "MouseProc";
    hookType = kMouseHookType;
  } else {
    return false;
  }
  try {
    const HookHandle hook = binder_.InstallHook(ModulePath(), exportName, hookType);
    if (hook == 0) return false;
    // A second install must not orphan the first hook: nothing could remove it any more.
    if (hook_ != 0) binder_.RemoveHook(hook_);
    hook_ = hook;
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

bool GadgetItem::RemoveTrigger() noexcept {
  if (hook_ != 0) {
    binder_.RemoveHook(hook_);
    hook_ = 0;
  }
  return true;
}

GadgetResult GadgetItem::ExecuteCommand(std::u16string_view commandGuid) noexcept {
  try {
    return binder_.CallExecuteCommand(ModulePath(), commandGuid);
  }
  BRIMLET_CATCH_RETURN_VALUE(gadget_result::kUnexpected)
}

GadgetResult GadgetItem::Configure() noexcept {
  try {
    return binder_.CallExport(ModulePath(), "Configure");
  }
  BRIMLET_CATCH_RETURN_VALUE(gadget_result::kUnexpected)
}

GadgetResult GadgetItem::OnStart() noexcept {
  try {
    return binder_.CallExport(ModulePath(), "OnStart");
  }
  BRIMLET_CATCH_RETURN_VALUE(gadget_result::kUnexpected)
}

void GadgetItem::GetCommands(std::vector<const IGadgetItemCommand*>& list) const {
  for (const auto& command : d_.commands) list.push_back(command.get());
}

}  // namespace brimlet
