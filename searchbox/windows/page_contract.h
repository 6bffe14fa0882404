// The page contract's rules that need no window: text and colour as the page gets them, the
// completion list's decisions and place, the engine icon the page may show, and how a
// notice found by the check is handed to the box.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "notice_check.h"
#include "ports/geometry.h"
#include "search_engine_item.h"
#include "settings.h"

namespace brimlet {

// An input method types U+3000 for a space; history words carry U+0020.
std::u16string FoldIdeographicSpaces(std::u16string_view words);

// "#rrggbb" in lower case from a colour reference (red in the low byte).
std::u16string FormatCssColor(ColorRef color);

// What the completion request does with the candidates found for the folded words.
enum class CompletionAction {
  kHide,       // no candidates
  kLeaveAsIs,  // the only candidate is what was typed: nothing to offer, a shown list stays
  kShow,
};
// `words` as the page gave them (not folded); A to Z compare without case.
CompletionAction DecideCompletion(const std::vector<std::u16string>& candidates,
                                  std::u16string_view words) noexcept;

inline constexpr int32_t kCompletionListHeight = 100;

struct CompletionListPlacement {
  Rect rect;
  bool upward = false;  // opens above the edit field
};
// The list under the edit field: `under` is the field's bottom-left corner in screen
// coordinates, `width` and `fieldHeight` the field's size. Against the monitor only the first
// rule that fits applies (left, top, right, bottom edge); past the bottom the list moves above
// the field. An empty monitor rectangle leaves the list where it is.
CompletionListPlacement PlaceCompletionList(Point under, int32_t width, int32_t fieldHeight,
                                            const Rect& monitor) noexcept;

// The engine's icon path for the page, "" without an engine or an icon. The image name comes
// from a downloaded catalogue: a name with a path in it ("..\..\x", "C:\x") would show any
// file on the machine to an Internet-zone page, so it gives "" too.
std::u16string EngineImagePath(const ISearchEngineItem* engine);

// The locked page. `pageAddress` is the display name the box's page was loaded under (the
// skin folder + "main.html?t=<tick>"). The browser reports it canonicalised ("file:///C:/...",
// spaces as %20, perhaps "?" as %3F), so only its last segment, which carries the box's own
// tick count, is compared (ASCII case ignored).
bool IsBoxPageAddress(std::u16string_view url, std::u16string_view pageAddress) noexcept;
// A navigation the box lets through: its own "about:blank" before the page is loaded, then
// only its page. Everything else (a dropped link, a script's location change, a link without
// a handler, a frame) is cancelled.
bool MayNavigate(std::u16string_view url, bool pageRequested,
                 std::u16string_view pageAddress) noexcept;
// A new window the page asks for is the notice link when its address is the notice's (ASCII
// case and one trailing "/" aside, as the browser may add one).
bool IsNoticeRequest(std::u16string_view url, std::u16string_view noticeAddress) noexcept;

// The browser control's zoom for a monitor's DPI: the page is drawn for 96 DPI (144 gives
// 150, 192 gives 200). A DPI of 0 (unknown) counts as 96.
int32_t PageZoomPercent(uint32_t dpi) noexcept;

// Where the page-based box opens, its size kept (it is its picture's, scaled): the restored
// top-left corner when there is one, else centred on the centring area; then moved, not
// shrunk, onto the work area of the monitor it lands on, so a position remembered on a
// monitor that is gone comes back on screen. A box larger than the area keeps its top-left
// corner on the area's.
Rect PageBoxOpeningRect(int32_t width, int32_t height, const std::optional<Point>& restored,
                        const Rect& centringArea, const Rect& work) noexcept;

// The notice check's callbacks for the page-based box; they run on the check's thread.
// A notice with all three texts is counted in "NotifyCount" and given to `storeAndPost`,
// which keeps it for the window and posts the window its message; any empty text drops it.
using NoticeHandOver = std::function<void(Notice notice)>;
void HandOverNotice(Settings& settings, const std::u16string& label,
                    const std::u16string& description, const std::u16string& address,
                    const NoticeHandOver& storeAndPost) noexcept;
// No notice today: no further check until tomorrow.
void HandOverNoNotice(Settings& settings) noexcept;

}  // namespace brimlet
