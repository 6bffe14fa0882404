// The update notice check: whether a check is due (at most three notices a day for the
// box, always for the settings dialog), the notice file's version range, and the worker's
// sequence from the mutex to the callbacks. Portable; the request itself goes through
// INoticeSource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cache_buster.h"
#include "catalogue_signature.h"
#include "ports/clock.h"
#include "ports/mutex.h"
#include "ports/xml.h"
#include "settings.h"

namespace brimlet {

// Held by the worker while a check runs, in any process of the user.
inline constexpr std::u16string_view kNoticeMutexName = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30005}";
// Notices the box shows a day; "NotifyCount" at this value stops checks until tomorrow.
inline constexpr int32_t kDailyNoticeLimit = 3;
// How long a closing window waits for its check to end.
inline constexpr uint32_t kNoticeWaitMilliseconds = 10'000;
// A notice file is a few hundred bytes; a download is given up past this.
inline constexpr size_t kMaxNoticeBytes = 64 * 1024;

// Both run on the worker thread with the asking window as context.
using NoticeCallback = void (*)(void* context, const std::u16string& label,
                                const std::u16string& description,
                                const std::u16string& address) noexcept;
using NoNoticeCallback = void (*)(void* context) noexcept;

struct NoticeRequest {
  // The box's automatic check: recorded in "LastNotify", count reset on a new day.
  bool counting = false;
  void* context = nullptr;
  NoticeCallback onNotice = nullptr;      // nothing when absent
  NoNoticeCallback onNoNotice = nullptr;  // nothing when absent
  // Scheme and host of the download endpoint; tests point it at a local server.
  std::u16string host;
  // Scheme and host of the help endpoint: a notice's link may lead there too.
  std::u16string helpHost;
};

// The calendar rule for "a new day": the stored date lies before today's, compared as dates.
bool IsEarlierDay(const CalendarDate& stored, const CalendarDate& today) noexcept;

// The starter's decision. With `force` a check is always due. Otherwise a first check, or
// the first on a new local day, is due (and, when counting, resets "NotifyCount" to 0);
// later ones only while "NotifyCount" is below the daily limit.
bool IsNoticeCheckDue(bool force, bool counting, Settings& settings, const IClock& clock);

// ver_min and ver_max as dotted versions, either may be empty (no bound); with both empty
// the notice never applies.
bool NoticeApplies(std::u16string_view versionMin, std::u16string_view versionMax,
                   VersionNumber installed) noexcept;

// host + "/pub/bmb/<partner>/notify.xml?t=<value>"; the fresh value keeps caches from
// answering. `suffix` names the file published beside it (".sig").
std::u16string NoticeAddress(std::u16string_view host, std::u16string_view partner,
                             uint32_t cacheBuster, std::u16string_view suffix = {});

// Whether a notice's link leads to one of the operator's hosts: an http or https address
// (IsWebAddress) without a "user@" part whose host name is `host`'s, in any case, on any
// port and with either scheme.
bool IsLinkOnHost(std::u16string_view address, std::u16string_view host) noexcept;

struct Notice {
  std::u16string label;
  std::u16string description;
  std::u16string address;
};

// The notice of a parsed notice file when it applies to the installed version and its
// address leads to one of `linkHosts` (IsLinkOnHost; the address is later handed to the
// shell, which would run a program for anything but an http or https address, and a notice
// must not send the user anywhere else). Nothing otherwise.
// `linkRefused` tells an applicable notice with a foreign link from one that does not apply.
std::optional<Notice> ReadApplicableNotice(const IXmlDocument& document, VersionNumber installed,
                                           std::span<const std::u16string_view> linkHosts,
                                           bool* linkRefused = nullptr);

// Fetches a file. Nothing unless the server answered with status 200 and sent at most
// `maxBytes`.
class INoticeSource {
 public:
  virtual ~INoticeSource() = default;
  virtual std::optional<std::vector<std::byte>> Fetch(std::u16string_view address,
                                                      size_t maxBytes) noexcept = 0;
};

struct NoticeCheckPorts {
  Settings& settings;
  const IClock& clock;
  IMutexFactory& mutexes;
  INoticeSource& source;
  const IXmlParser& parser;
  ICacheBuster& cacheBuster;
  // The notice file is used only with a signature this accepts (beside it, ".sig").
  const SignaturePolicy& signatures;
};

enum class NoticeOutcome {
  kAlreadyRunning,  // another check held the mutex: nothing was called
  kNotice,          // the notice callback was called
  kNoNotice,        // the no-notice callback was called
};

// The worker thread's work between COM set-up and tear-down.
NoticeOutcome RunNoticeCheck(const NoticeRequest& request, const NoticeCheckPorts& ports) noexcept;

}  // namespace brimlet
