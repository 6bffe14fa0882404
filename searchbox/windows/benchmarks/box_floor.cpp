// The floor of the summon latency benchmark: only what every classic box must do before it
// is shown. OLE and the common controls are started, the catalogue is read through the
// platform DOM, the box's dialog is created from its own template, made opaque, forced to
// the foreground with the focus in its edit, and shown. None of the box's own work (settings,
// history, toolbars, pictures, fonts, placement) is done, so no box can be shown sooner on the same
// machine.
//   box_floor.exe <folder of the catalogue, as Brimlet.exe's own>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include "../../resources/searchbox_dialog_ids.h"
#include "catalogue_reader.h"
#include "placement_win32.h"
#include "settings_win32.h"
#include "win32/wide.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"

namespace {

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_CLOSE:
      ::DestroyWindow(dialog);
      return TRUE;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (FAILED(::OleInitialize(nullptr))) return 1;
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  int arguments = 0;
  LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &arguments);
  if (argv == nullptr || arguments < 2) return 2;
  const brimlet::win32::Win32FileSystem files;
  const brimlet::win32::Win32XmlParser parser;
  std::u16string folder = brimlet::win32::FromWide(argv[1]);
  ::LocalFree(argv);
  if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
  const auto catalogue =
      brimlet::LoadCatalogue(files, parser, brimlet::win32::DataFolder(), folder);
  if (!catalogue || catalogue->GetCount() == 0) return 3;
  HWND box = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_SEARCH_BOX), nullptr, &Proc, 0);
  if (box == nullptr) return 4;
  ::SetWindowTextW(box, L"box floor");
  // Both designs are layered with a constant alpha (without one the window is never drawn)
  // and are forced to the foreground although another program has it.
  brimlet::win32::ApplyOpacity(box, 100);
  brimlet::win32::BringToForeground(box);
  ::SetFocus(::GetDlgItem(box, IDC_SEARCH_WORDS));
  ::ShowWindow(box, SW_SHOWDEFAULT);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (::IsDialogMessageW(box, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  ::OleUninitialize();
  return 0;
}
