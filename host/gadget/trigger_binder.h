// How the gadget model reaches a gadget's trigger module. The host never keeps a module
// loaded on its own behalf: each call loads the module by path, binds one export by name,
// uses it and releases the load again. The Win32 binder is the product's; tests of the
// model's rules may use a recording one.
#pragma once

#include <cstdint>
#include <string_view>

#include "gadget_interfaces.h"

namespace brimlet {

// An installed system-wide hook, 0 for none.
using HookHandle = uintptr_t;

class ITriggerBinder {
 public:
  virtual ~ITriggerBinder() = default;
  // Installs the named export as a hook of `hookType` for every thread of the desktop;
  // 0 when the module cannot be loaded, lacks the export or the system refuses the hook.
  virtual HookHandle InstallHook(std::u16string_view modulePath, const char* exportName,
                                 int hookType) noexcept = 0;
  virtual void RemoveHook(HookHandle hook) noexcept = 0;
  // Calls "ExecuteCommand" with the 16-byte GUID converted from `commandGuid`.
  virtual GadgetResult CallExecuteCommand(std::u16string_view modulePath,
                                          std::u16string_view commandGuid) noexcept = 0;
  // Calls an export that takes no argument ("Configure", "OnStart").
  virtual GadgetResult CallExport(std::u16string_view modulePath,
                                  const char* exportName) noexcept = 0;
};

}  // namespace brimlet
