#include "recording_binder.h"

#include "text/utf16.h"

namespace brimlet::testing {

HookHandle RecordingBinder::InstallHook(std::u16string_view modulePath, const char* exportName,
                                        int hookType) noexcept {
  HookHandle hook = 0;
  if (!missingModules.contains(std::u16string(modulePath)) &&
      !missingExports.contains(exportName)) {
    hook = ++next_;
    liveHooks.insert(hook);
  }
  calls.push_back("hook " + std::to_string(hookType) + " " + exportName + " " +
                  Utf16ToUtf8(modulePath) + " -> " + std::to_string(hook));
  return hook;
}

void RecordingBinder::RemoveHook(HookHandle hook) noexcept {
  calls.push_back("unhook " + std::to_string(hook));
  liveHooks.erase(hook);
}

GadgetResult RecordingBinder::CallExecuteCommand(std::u16string_view modulePath,
                                                 std::u16string_view commandGuid) noexcept {
  calls.push_back("ExecuteCommand " + Utf16ToUtf8(commandGuid) + " " + Utf16ToUtf8(modulePath));
  if (missingModules.contains(std::u16string(modulePath))) return gadget_result::kUnexpected;
  if (missingExports.contains("ExecuteCommand")) return gadget_result::kFail;
  auto it = results.find("ExecuteCommand");
  return it == results.end() ? gadget_result::kOk : it->second;
}

GadgetResult RecordingBinder::CallExport(std::u16string_view modulePath,
                                         const char* exportName) noexcept {
  calls.push_back(std::string(exportName) + " " + Utf16ToUtf8(modulePath));
  if (missingModules.contains(std::u16string(modulePath))) return gadget_result::kUnexpected;
  if (missingExports.contains(exportName)) return gadget_result::kFail;
  auto it = results.find(exportName);
  return it == results.end() ? gadget_result::kOk : it->second;
}

}  // namespace brimlet::testing
