#include "notice_check.h"

#include "ports/trace.h"
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

std::u16string NoticeAddress(std::u16string_view host, std::u16string_view partner,
                             uint32_t cacheBuster, std::u16string_view suffix) {
  std::u16string address(host);
  address += u"/pub/bmb/";
  address += partner;
  address += u"/notify.xml";
  address += suffix;
  address += u"?t=";
  address += FormatDecimal(cacheBuster);
  return address;
}

bool IsLinkOnHost(std::u16string_view address, std::u16string_view host) noexcept {
  // The host name after "scheme://", up to the port, path, query or fragment; nothing when
  // a "user@" part would make the name read differently to a browser.
  auto hostName = [](std::u16string_view text) -> std::u16string_view {
    const size_t scheme = text.find(u"://");
    if (scheme == std::u16string_view::npos) return {};
    std::u16string_view authority = text.substr(scheme + 3);
    authority = authority.substr(0, authority.find_first_of(u"/?#"));
    if (authority.find(u'@') != std::u16string_view::npos) return {};
    if (!authority.empty() && authority.front() == u'[') {
      return authority.substr(0, authority.find(u']') + 1);
    }
    return authority.substr(0, authority.find(u':'));
  };
  if (!IsWebAddress(address)) return false;
  const std::u16string_view linked = hostName(address);
  const std::u16string_view allowed = hostName(host);
  return !linked.empty() && !allowed.empty() && EqualsIgnoreAsciiCase(linked, allowed);
}

std::optional<Notice> ReadApplicableNotice(const IXmlDocument& document, VersionNumber installed,
                                           std::span<const std::u16string_view> linkHosts,
                                           bool* linkRefused) {
  if (linkRefused) *linkRefused = false;
  const auto notify = document.FirstChildElement(u"notify");
  if (!notify) return std::nullopt;
  if (!NoticeApplies(ChildText(*notify, u"ver_min"), ChildText(*notify, u"ver_max"), installed)) {
    return std::nullopt;
  }
  Notice notice{ChildText(*notify, u"label"), ChildText(*notify, u"description"),
                ChildText(*notify, u"url")};
  for (std::u16string_view host : linkHosts) {
    if (IsLinkOnHost(notice.address, host)) return notice;
  }
  if (linkRefused) *linkRefused = true;
  return std::nullopt;
}

namespace {

// The notice in the operator's answer for this version, if any; `refusal` says why an answer
// was not taken. Out of memory reading the answer: no notice.
std::optional<Notice> FetchNotice(const NoticeRequest& request, const NoticeCheckPorts& ports,
                                  std::u16string_view& refusal) noexcept {
  try {
    const std::u16string partner = ports.settings.Partner();
    if (partner.empty()) return std::nullopt;
    const auto body = ports.source.Fetch(
        NoticeAddress(request.host, partner, ports.cacheBuster.Next()), kMaxNoticeBytes);
    if (!body) return std::nullopt;
    std::optional<std::vector<std::byte>> statement;
    if (ports.signatures.verifier) {
      statement = ports.source.Fetch(
          NoticeAddress(request.host, partner, ports.cacheBuster.Next(), u".sig"),
          kMaxStatementBytes);
    }
    const SignatureCheck signature =
        CheckSignature(ports.signatures, SignedPurpose::kNotice, partner, *body, statement);
    if (!signature.accepted()) {
      refusal = DescribeSignature(signature.verdict);
      return std::nullopt;
    }
    const auto document = ports.parser.Load(*body);
    if (!document) return std::nullopt;
    const std::u16string_view hosts[] = {request.host, request.helpHost};
    bool linkRefused = false;
    std::optional<Notice> notice = ReadApplicableNotice(
        *document, ports.settings.InstalledVersionNumber(), hosts, &linkRefused);
    if (linkRefused) refusal = u"its link leads to a host that is not the operator's";
    return notice;
  }
  BRIMLET_CATCH_RETURN_VALUE(std::nullopt)
}

}  // namespace

NoticeOutcome RunNoticeCheck(const NoticeRequest& request, const NoticeCheckPorts& ports) noexcept {
  const NamedMutexResult mutex = ports.mutexes.Create(kNoticeMutexName);
  if (mutex.alreadyExisted) return NoticeOutcome::kAlreadyRunning;

  std::u16string_view refusal;
  const std::optional<Notice> notice = FetchNotice(request, ports, refusal);
  if (!refusal.empty()) {
    try {
      Trace(u"Brimlet: notice refused: " + std::u16string(refusal));
    }
    BRIMLET_CATCH_LOG()
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
