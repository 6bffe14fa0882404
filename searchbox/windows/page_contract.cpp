#include "page_contract.h"

#include <algorithm>

#include "text/utf16.h"
#include "text/web_address.h"
#include "win32/trace.h"

namespace brimlet {

std::u16string FoldIdeographicSpaces(std::u16string_view words) {
  std::u16string folded(words);
  std::replace(folded.begin(), folded.end(), u'\u3000', u' ');
  return folded;
}

std::u16string FormatCssColor(ColorRef color) {
  constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string css = u"#";
  for (int shift : {0, 8, 16}) {
    const uint32_t part = (color >> shift) & 0xFF;
    css += kDigits[part >> 4];
    css += kDigits[part & 0xF];
  }
  return css;
}

CompletionAction DecideCompletion(const std::vector<std::u16string>& candidates,
                                  std::u16string_view words) noexcept {
  if (candidates.empty()) return CompletionAction::kHide;
  if (candidates.size() == 1 && EqualsIgnoreAsciiCase(candidates.front(), words)) {
    return CompletionAction::kLeaveAsIs;
  }
  return CompletionAction::kShow;
}

CompletionListPlacement PlaceCompletionList(Point under, int32_t width, int32_t fieldHeight,
                                            const Rect& monitor) noexcept {
  CompletionListPlacement placement;
  Rect& r = placement.rect;
  r = {under.x, under.y, under.x + width, under.y + kCompletionListHeight};
  if (monitor.right <= monitor.left || monitor.bottom <= monitor.top) return placement;
  const auto offset = [&r](int32_t dx, int32_t dy) {
    r = {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
  };
  if (r.left < monitor.left) {
    offset(monitor.left - r.left, 0);
  } else if (r.top < monitor.top) {
    offset(0, monitor.top - r.top);
  } else if (r.right > monitor.right) {
    offset(monitor.right - r.right, 0);
  } else if (r.bottom > monitor.bottom) {
    offset(0, -(fieldHeight + r.Height()));
    placement.upward = true;
  }
  return placement;
}

std::u16string EngineImagePath(const ISearchEngineItem* engine) {
  if (engine == nullptr || engine->GetImage().empty()) return {};
  return engine->GetImagePath();  // empty too unless the catalogue named a plain file
}

void HandOverNotice(Settings& settings, const std::u16string& label,
                    const std::u16string& description, const std::u16string& address,
                    const NoticeHandOver& storeAndPost) noexcept {
  if (label.empty() || description.empty() || address.empty() || !storeAndPost) return;
  // The page's link navigates to this address: a script or file address must never get
  // there, whatever the notice check let through.
  if (!IsWebAddress(address)) return;
  try {
    Notice notice{label, description, address};
    settings.SetNotifyCount(settings.NotifyCount() + 1);
    storeAndPost(std::move(notice));
  }
  BRIMLET_CATCH_LOG()  // The worker has nowhere to report to: a notice that cannot be kept is not
                       // shown.
}

void HandOverNoNotice(Settings& settings) noexcept { settings.SetNotifyCount(kDailyNoticeLimit); }

}  // namespace brimlet
