// What both box designs hand to the shell or show alike: addresses, the settings hand-over
// and the engine menu.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "notice_mailbox.h"
#include "search_engine_item.h"
#include "search_engine_list.h"

namespace brimlet::win32 {

// Adds the user's search services after the catalogue's engines and gives every engine its
// keyword, from the settings key; each entry left out is traced.
void AddUserEngines(SearchEngineList& catalogue) noexcept;

// The catalogue a box is given at its start: the data folder's copy, else the program
// folder's, with the user's services; nothing when there is no engine at all.
std::unique_ptr<SearchEngineList> LoadBoxCatalogue() noexcept;

// Hands an address to the shell only when it is an absolute http or https address: search,
// help and notice addresses all come from outside data, and the shell would run a program
// or open a local file for anything else. False when it was refused.
bool OpenWebAddress(HWND owner, std::u16string_view address) noexcept;

// Starts this program as "/config /RUNSEARCHBOX" from its own folder; false when the
// program's path cannot be read (nothing is started then).
bool LaunchSettingsFromBox() noexcept;

// How both boxes take their notice check's result: a notice whose three texts are all there
// is counted in "NotifyCount" and handed over; a check without one stops today's checks.
NoticePolicy BoxNoticePolicy() noexcept;

struct EngineMenuChoice {
  bool shown = false;                         // the menu could be created and shown
  const ISearchEngineItem* chosen = nullptr;  // null when nothing was chosen
};

// The engine menu at a screen point: every engine in order with its icon and keyword, a
// separator before the user's services, the current one checked. `flags` adds alignment flags to TPM_RETURNCMD | TPM_RIGHTBUTTON.
EngineMenuChoice ShowEngineMenu(HWND owner, const SearchEngineList& catalogue,
                                const ISearchEngineItem* current, POINT screen,
                                UINT flags = 0) noexcept;

}  // namespace brimlet::win32
