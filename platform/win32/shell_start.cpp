#include "win32/shell_start.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "win32/trace.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {
namespace {

bool SetText(UniqueVariant& value, const std::wstring& text) noexcept {
  BSTR copy = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (copy == nullptr) return false;
  value.put()->vt = VT_BSTR;
  value.get().bstrVal = copy;
  return true;
}

// The shell's automation object behind the desktop window: the desktop's shell view, its
// background object and that object's application.
ComPtr<IShellDispatch2> DesktopShell() noexcept {
  ComPtr<IShellWindows> windows;
  if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.put_void()))) {
    return {};
  }
  UniqueVariant desktop;
  desktop.get().vt = VT_I4;
  desktop.get().lVal = CSIDL_DESKTOP;
  UniqueVariant noRoot;
  long window = 0;
  ComPtr<IDispatch> found;
  if (windows->FindWindowSW(&desktop.get(), &noRoot.get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                            found.put()) != S_OK ||
      !found) {
    return {};
  }
  const auto services = found.As<IServiceProvider>(IID_IServiceProvider);
  ComPtr<IShellBrowser> browser;
  if (!services ||
      FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void()))) {
    return {};
  }
  ComPtr<IShellView> view;
  if (FAILED(browser->QueryActiveShellView(view.put())) || !view) return {};
  ComPtr<IDispatch> background;
  if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void()))) {
    return {};
  }
  const auto folderView = background.As<IShellFolderViewDual>(IID_IShellFolderViewDual);
  ComPtr<IDispatch> application;
  if (!folderView || FAILED(folderView->get_Application(application.put())) || !application) {
    return {};
  }
  return application.As<IShellDispatch2>(IID_IShellDispatch2);
}

}  // namespace

bool StartThroughDesktopShell(const std::wstring& program, const std::wstring& parameters,
                              const std::wstring& folder) noexcept {
  const ComPtr<IShellDispatch2> shell = DesktopShell();
  if (!shell) {
    Trace(u"StartThroughDesktopShell: the desktop's shell cannot be reached");
    return false;
  }
  UniqueBstr file(::SysAllocStringLen(program.data(), static_cast<UINT>(program.size())));
  UniqueVariant arguments, directory, verb, show;
  if (!file || !SetText(arguments, parameters) || !SetText(directory, folder) ||
      !SetText(verb, L"open")) {
    return false;
  }
  show.get().vt = VT_I4;
  show.get().lVal = SW_SHOWNORMAL;
  // S_FALSE: the shell tried and the start failed.
  if (shell->ShellExecute(file.get(), arguments.get(), directory.get(), verb.get(), show.get()) !=
      S_OK) {
    Trace(u"StartThroughDesktopShell: the shell refused the start");
    return false;
  }
  return true;
}

}  // namespace brimlet::win32
