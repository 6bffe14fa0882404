// The page the page-based box shows: where its skin lives, the page text with the skin's
// address filled in, and the address the browser is told the page came from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brimlet {

// The place in the page's base element that receives the skin folder's address.
inline constexpr std::u16string_view kBaseLocationToken = u"{BASE_LOCATION}";

// The browser gets the display name through a buffer of this many characters (terminator
// included); a longer name is refused rather than cut, since a cut name is a wrong address.
inline constexpr size_t kDisplayNameCapacity = 1024;

// programFolder + "skin\black\" (+ "large\"). A trailing backslash is added to a non-empty
// program folder that lacks one.
std::u16string SkinFolder(std::u16string_view programFolder, bool large);

// Every token replaced by "file:///" + the skin folder exactly as given (back-slashes kept),
// so the style sheet and its pictures resolve against the skin folder.
std::u16string FillPage(std::u16string_view page, std::u16string_view skinFolder);

// skinFolder + "main.html?t=" + tick in decimal: a fresh address for every box, so the
// browser never serves an earlier load of the page.
std::u16string PageDisplayName(std::u16string_view skinFolder, uint32_t tick);

}  // namespace brimlet
