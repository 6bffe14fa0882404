#include "notice_check.h"

#include "text/utf16.h"
#include "text/web_address.h"

namespace brimlet {
namespace {

std::u16string ChildText(const IXmlElement& parent, std::u16string_view name) {
  const auto child = parent.FirstChildElement(name);
  return child ? child->Text() : std::u16string();
}

}  // namespace

bool IsEarlierDay(const CalendarDate& stored, const CalendarDate& today) noexcept {
  // As dates: 2027-01-01 is not earlier than 2026-12-31 although its month is smaller.
  if (stored.year != today.year) return stored.year < today.year;
  if (stored.month != today.month) return stored.month < today.month;
  return stored.day < today.day;
}

bool IsNoticeCheckDue(bool force, bool counting, Settings& settings, const IClock& clock) {
  if (force) return true;
  const int64_t now = clock.NowSeconds();
  const uint32_t last = settings.LastNotify();
  if (last == 0 || IsEarlierDay(clock.LocalDate(last), clock.LocalDate(now))) {
    if (counting) settings.SetNotifyCount(0);
    return true;
  }
  return settings.NotifyCount() < kDailyNoticeLimit;
}

bool NoticeApplies(std::u16string_view versionMin, std::u16string_view versionMax,
                   VersionNumber installed) noexcept {
  const bool hasMin = !versionMin.empty();
  const bool hasMax = !versionMax.empty();
  if (!hasMin && !hasMax) return false;
  if (hasMin && installed < ParseVersionNumber(versionMin)) return false;
  if (hasMax && installed > ParseVersionNumber(versionMax)) return false;
  return true;
}

std::u16string NoticeAddress(std::u16string_view host, std::u16string_view partner, uint32_t tick) {
  std::u16string address(host);
  address += u"/pub/bmb/";
  address += partner;
  address += u"/notify.xml?t=";
  address += FormatDecimal(tick);
  return address;
}

std::optional<Notice> ReadApplicableNotice(const IXmlDocument& document, VersionNumber installed) {
  const auto notify = document.FirstChildElement(u"notify");
  if (!notify) return std::nullopt;
  if (!NoticeApplies(ChildText(*notify, u"ver_min"), ChildText(*notify, u"ver_max"), installed)) {
    return std::nullopt;
  }
  Notice notice{ChildText(*notify, u"label"), ChildText(*notify, u"description"),
                ChildText(*notify, u"url")};
  if (!IsWebAddress(notice.address)) return std::nullopt;
  return notice;
}

NoticeOutcome RunNoticeCheck(const NoticeRequest& request, const NoticeCheckPorts& ports) noexcept {
  const NamedMutexResult mutex = ports.mutexes.Create(kNoticeMutexName);
  if (mutex.alreadyExisted) return NoticeOutcome::kAlreadyRunning;

  std::optional<Notice> notice;
  try {
    const std::u16string partner = ports.settings.Partner();
    if (!partner.empty()) {
      const auto body =
          ports.source.Fetch(NoticeAddress(request.host, partner, ports.clock.TickCount()));
      if (body) {
        if (const auto document = ports.parser.Load(*body)) {
          notice = ReadApplicableNotice(*document, ports.settings.InstalledVersionNumber());
        }
      }
    }
  } catch (...) {
    notice.reset();  // out of memory reading the answer: no notice
  }

  if (request.counting) ports.settings.SetLastNotify(ports.clock.NowSeconds());
  if (notice) {
    if (request.onNotice) {
      request.onNotice(request.context, notice->label, notice->description, notice->address);
    }
    return NoticeOutcome::kNotice;
  }
  if (request.onNoNotice) request.onNoNotice(request.context);
  return NoticeOutcome::kNoNotice;
}

}  // namespace brimlet
