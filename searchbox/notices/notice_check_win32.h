// The notice check on Windows: the starter, the worker thread and the bounded download of
// the notice and its signature.
#pragma once

#include <string>

#include "notice_check.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {

// A download through the platform's URL download service, given up past `maxBytes` while
// it arrives; the body only for status 200.
class DownloadNoticeSource final : public INoticeSource {
 public:
  std::optional<std::vector<std::byte>> Fetch(std::u16string_view address,
                                              size_t maxBytes) noexcept override;
};

// Starts a check when one is due (see IsNoticeCheckDue) and returns the worker thread,
// which the asking window waits for (at most kNoticeWaitMilliseconds) before it goes; an
// empty handle when no check is due or the thread could not start. The callbacks run on
// the worker thread; the context must stay valid until the thread has ended or the process
// ends. `host` replaces the download endpoint's host (tests use a local server); the
// notice must be signed with the build's key either way.
UniqueHandle StartNoticeCheck(bool force, bool counting, void* context, NoticeCallback onNotice,
                              NoNoticeCallback onNoNotice, std::u16string host = {}) noexcept;

}  // namespace brimlet::win32
