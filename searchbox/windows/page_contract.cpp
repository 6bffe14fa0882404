#include "page_contract.h"

#include <algorithm>
#include <cstdint>

#include "placement.h"
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

namespace {

// The address's last path segment with an escaped "?" read as one.
std::u16string LastSegment(std::u16string_view address) {
  const size_t slash = address.find_last_of(u"/\\");
  std::u16string segment(slash == std::u16string_view::npos ? address : address.substr(slash + 1));
  for (size_t at = 0; (at = segment.find(u'%', at)) != std::u16string::npos; ++at) {
    if (segment.size() - at >= 3 && segment[at + 1] == u'3' &&
        ToLowerAscii(segment[at + 2]) == u'f') {
      segment.replace(at, 3, u"?");
    }
  }
  return segment;
}

std::u16string_view WithoutTrailingSlash(std::u16string_view address) noexcept {
  if (!address.empty() && address.back() == u'/') address.remove_suffix(1);
  return address;
}

}  // namespace

bool IsBoxPageAddress(std::u16string_view url, std::u16string_view pageAddress) noexcept {
  try {
    const std::u16string page = LastSegment(pageAddress);
    // Without its tick the name would match any main.html anywhere.
    if (page.find(u"?t=") == std::u16string::npos) return false;
    return EqualsIgnoreAsciiCase(LastSegment(url), page);
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

bool MayNavigate(std::u16string_view url, bool pageRequested,
                 std::u16string_view pageAddress) noexcept {
  if (!pageRequested) return EqualsIgnoreAsciiCase(url, u"about:blank");
  return IsBoxPageAddress(url, pageAddress);
}

bool IsNoticeRequest(std::u16string_view url, std::u16string_view noticeAddress) noexcept {
  if (noticeAddress.empty()) return false;
  return EqualsIgnoreAsciiCase(WithoutTrailingSlash(url), WithoutTrailingSlash(noticeAddress));
}

int32_t PageZoomPercent(uint32_t dpi) noexcept { return ScaleForDpi(100, dpi == 0 ? 96 : dpi); }

Rect PageBoxOpeningRect(int32_t width, int32_t height, const std::optional<Point>& restored,
                        const Rect& centringArea, const Rect& work) noexcept {
  Rect rect{0, 0, width, height};
  if (restored) {
    // A damaged stored corner must not overflow the far edge.
    const int32_t left = std::min<int32_t>(restored->x, INT32_MAX - width);
    const int32_t top = std::min<int32_t>(restored->y, INT32_MAX - height);
    rect = {left, top, left + width, top + height};
  } else {
    rect = CentreOn(rect, centringArea);
  }
  const Rect fitted = FitInto(rect, work);
  return {fitted.left, fitted.top,
          static_cast<int32_t>(std::min<int64_t>(int64_t{fitted.left} + width, INT32_MAX)),
          static_cast<int32_t>(std::min<int64_t>(int64_t{fitted.top} + height, INT32_MAX))};
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
