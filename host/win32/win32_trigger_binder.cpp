#include "win32/win32_trigger_binder.h"

#include <windows.h>
#include <objbase.h>

#include <string>

#include "win32/trace.h"
#include "win32/unique_resource.h"
#include "win32/wide.h"

namespace brimlet::win32 {
namespace {

using ExecuteCommandProc = HRESULT(__stdcall*)(const GUID*);
using NoArgumentProc = HRESULT(__stdcall*)();

UniqueHModule LoadModule(std::u16string_view path) noexcept {
  try {
    UniqueHModule module(::LoadLibraryW(ToWide(path).c_str()));
    if (!module) Trace(u"Tessiv: a gadget module could not be loaded: " + std::u16string(path));
    return module;
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

template <typename Proc>
Proc FindExport(HMODULE module, const char* name) noexcept {
  FARPROC found = ::GetProcAddress(module, name);
  if (found == nullptr) {
    std::u16string text = u"Tessiv: a gadget module lacks the export ";
    for (const char* c = name; *c != '\0'; ++c) text += static_cast<char16_t>(*c);
    Trace(text);
  }
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(found));
}

}  // namespace

HookHandle Win32TriggerBinder::InstallHook(std::u16string_view modulePath, const char* exportName,
                                           int hookType) noexcept {
  const UniqueHModule module = LoadModule(modulePath);
  if (!module) return 0;
  const auto procedure = FindExport<HOOKPROC>(module.get(), exportName);
  if (procedure == nullptr) return 0;
  // The system keeps the module mapped for the hook; our own load is released on return.
  const HHOOK hook = ::SetWindowsHookExW(hookType, procedure, module.get(), 0);
  if (hook == nullptr) Trace(u"Tessiv: the system refused a gadget's keyboard hook");
  return reinterpret_cast<HookHandle>(hook);
}

void Win32TriggerBinder::RemoveHook(HookHandle hook) noexcept {
  if (hook != 0) ::UnhookWindowsHookEx(reinterpret_cast<HHOOK>(hook));
}

GadgetResult Win32TriggerBinder::CallExecuteCommand(std::u16string_view modulePath,
                                                    std::u16string_view commandGuid) noexcept {
  const UniqueHModule module = LoadModule(modulePath);
  if (!module) return E_UNEXPECTED;
  GUID command{};
  try {
    // A text that does not convert leaves the GUID as the conversion left it; the gadget
    // decides what to make of it.
    std::wstring text = ToWide(commandGuid);
    ::CLSIDFromString(text.data(), &command);
  }
  BRIMLET_CATCH_LOG()
  const auto procedure = FindExport<ExecuteCommandProc>(module.get(), "ExecuteCommand");
  if (procedure == nullptr) return E_FAIL;
  return procedure(&command);
}

GadgetResult Win32TriggerBinder::CallExport(std::u16string_view modulePath,
                                            const char* exportName) noexcept {
  const UniqueHModule module = LoadModule(modulePath);
  if (!module) return E_UNEXPECTED;
  const auto procedure = FindExport<NoArgumentProc>(module.get(), exportName);
  if (procedure == nullptr) return E_FAIL;
  return procedure();
}

}  // namespace brimlet::win32
