#include "box_shell.h"

#include <shellapi.h>

#include <vector>

#include "box_images.h"
#include "box_search.h"
#include "catalogue_reader.h"
#include "page_contract.h"
#include "settings_win32.h"
#include "text/web_address.h"
#include "user_engines.h"
#include "win32/unique_resource.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"
#include "win32/instance_finder.h"
#include "win32/trace.h"

namespace brimlet::win32 {

void AddUserEngines(SearchEngineList& catalogue) noexcept {
  try {
    const Win32Registry registry;
    const EngineCustomisationRead read = ReadEngineCustomisation(registry, &catalogue);
    for (const std::u16string& line : read.leftOut) Trace(line);
    ApplyEngineCustomisation(catalogue, read.accepted);
  }
  BRIMLET_CATCH_LOG()
}

std::unique_ptr<SearchEngineList> LoadBoxCatalogue() noexcept {
  try {
    const Win32FileSystem files;
    const Win32XmlParser parser;
    std::unique_ptr<SearchEngineList> catalogue =
        LoadCatalogue(files, parser, DataFolder(), ProgramFolder());
    if (!catalogue || catalogue->GetCount() == 0) {
      Trace(u"Brimlet: no search engine catalogue could be read; the box has no engine");
    }
    // The user's own services work without a catalogue too.
    if (!catalogue) catalogue = std::make_unique<SearchEngineList>();
    AddUserEngines(*catalogue);
    if (catalogue->GetCount() == 0) return nullptr;
    return catalogue;
  }
  BRIMLET_CATCH_RETURN_VALUE(nullptr)
}

bool OpenWebAddress(HWND owner, std::u16string_view address) noexcept {
  try {
    if (!IsWebAddress(address)) {
      Trace(u"Brimlet: refused to open a text that is no web address");
      return false;
    }
    const auto opened = reinterpret_cast<INT_PTR>(
        ::ShellExecuteW(owner, L"open", ToWide(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (opened <= 32) Trace(u"Brimlet: the shell did not open the address");
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

bool LaunchSettingsFromBox() noexcept { return RelaunchSelf(L"/config /RUNSEARCHBOX"); }

EngineMenuChoice ShowEngineMenu(HWND owner, const SearchEngineList& catalogue,
                                const ISearchEngineItem* current, POINT screen,
                                UINT flags) noexcept {
  UniqueHMenu menu(::CreatePopupMenu());
  if (!menu) return {};
  // The item bitmaps must live until the menu is gone.
  std::vector<UniqueGdiObject> pictures;
  const int cx = ::GetSystemMetrics(SM_CXSMICON);
  const int cy = ::GetSystemMetrics(SM_CYSMICON);
  try {
    for (size_t i = 0; i < catalogue.GetCount(); ++i) {
      const ISearchEngineItem* engine = catalogue.GetAt(i);
      std::wstring name = ToWide(engine->GetName());
      // The tab puts the keyword in the menu's right-hand column.
      if (const std::u16string keyword = engine->GetKeyword(); !keyword.empty()) {
        name += L'\t' + ToWide(keyword);
      }
      const UINT id = kFirstEngineCommand + static_cast<UINT>(i);
      // The user's services follow the catalogue's engines, after a separator.
      if (i > 0 && engine->IsUserService() && !catalogue.GetAt(i - 1)->IsUserService()) {
        ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
      }
      ::AppendMenuW(menu.get(), MF_STRING | (engine == current ? MF_CHECKED : 0), id, name.c_str());
      if (UniqueHIcon icon(EngineIcon(*engine, cx)); icon) {
        pictures.emplace_back(IconToMenuBitmap(icon.get(), cx, cy, ::GetSysColor(COLOR_MENU)));
        MENUITEMINFOW item{sizeof(item)};
        item.fMask = MIIM_BITMAP;
        item.hbmpItem = static_cast<HBITMAP>(pictures.back().get());
        ::SetMenuItemInfoW(menu.get(), id, FALSE, &item);
      }
    }
  }
  BRIMLET_CATCH_LOG()  // out of memory: the menu shows what it has
  const UINT chosen = static_cast<UINT>(::TrackPopupMenu(
      menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | flags, screen.x, screen.y, 0, owner, nullptr));
  return {true, EngineForMenuCommand(catalogue, chosen)};
}

NoticePolicy BoxNoticePolicy() noexcept {
  NoticePolicy policy;
  policy.acceptNotice = [](const Notice& notice) noexcept {
    bool accepted = false;
    HandOverNotice(UserSettings(), notice.label, notice.description, notice.address,
                   [&accepted](Notice) { accepted = true; });
    return accepted;
  };
  policy.onNoNotice = []() noexcept { HandOverNoNotice(UserSettings()); };
  return policy;
}

}  // namespace brimlet::win32
