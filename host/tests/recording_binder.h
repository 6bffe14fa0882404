// A trigger binder for the model's rules: records each call as one line and answers as
// told. The real binder is exercised under Wine with a real module.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "gadget/trigger_binder.h"

namespace brimlet::testing {

class RecordingBinder final : public ITriggerBinder {
 public:
  HookHandle InstallHook(std::u16string_view modulePath, const char* exportName,
                         int hookType) noexcept override;
  void RemoveHook(HookHandle hook) noexcept override;
  GadgetResult CallExecuteCommand(std::u16string_view modulePath,
                                  std::u16string_view commandGuid) noexcept override;
  GadgetResult CallExport(std::u16string_view modulePath, const char* exportName) noexcept override;

  // Modules that cannot be loaded, and exports missing from every module.
  std::set<std::u16string> missingModules;
  std::set<std::string> missingExports;
  // The result of an export by name; S_OK otherwise.
  std::map<std::string, GadgetResult> results;

  std::vector<std::string> calls;  // e.g. "hook 2 KeyboardProc /g/{a}/a.dll -> 1"
  std::set<HookHandle> liveHooks;

 private:
  HookHandle next_ = 0;
};

}  // namespace brimlet::testing
