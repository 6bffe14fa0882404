// The history as a string enumerator for the system auto-complete object: it lists every
// history word, newest first, from a box's live list (words the box adds later are handed
// out too). The auto-complete object does the matching.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <shldisp.h>

#include <memory>

#include "search_history.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {

// The enumerator shares the list: the system auto-complete object holds it for as long as it
// likes, possibly past the box. E_INVALIDARG without a list.
HRESULT CreateEnumSearchHistory(std::shared_ptr<const SearchHistory> history,
                                IEnumString** result) noexcept;

// Options the box gives the auto-complete object: suggest, append, and open the list with
// the arrow keys (35).
inline constexpr DWORD kHistoryAutoCompleteOptions =
    ACO_AUTOSUGGEST | ACO_AUTOAPPEND | ACO_UPDOWNKEYDROPSLIST;
static_assert(kHistoryAutoCompleteOptions == 35);

// Creates the system auto-complete object for an edit control, fed by the history; empty
// when the object cannot be created or initialised (the box then goes without completion).
ComPtr<IAutoComplete2> AttachHistoryAutoComplete(
    HWND edit, std::shared_ptr<const SearchHistory> history) noexcept;

}  // namespace brimlet::win32
