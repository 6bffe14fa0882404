// Binds gadget modules with LoadLibraryW / GetProcAddress / FreeLibrary: the module is
// loaded only for the call that needs it and released on every path.
#pragma once

#include "gadget/trigger_binder.h"

namespace brimlet::win32 {

class Win32TriggerBinder final : public ITriggerBinder {
 public:
  HookHandle InstallHook(std::u16string_view modulePath, const char* exportName,
                         int hookType) noexcept override;
  void RemoveHook(HookHandle hook) noexcept override;
  GadgetResult CallExecuteCommand(std::u16string_view modulePath,
                                  std::u16string_view commandGuid) noexcept override;
  GadgetResult CallExport(std::u16string_view modulePath, const char* exportName) noexcept override;
};

}  // namespace brimlet::win32
