// The one way a window receives the result of its notice check. The worker thread never
// touches the window: it reaches only this mailbox, which stores the notice behind a lock
// and posts the window a private message; the window takes the notice on its own thread.
// The mailbox is shared: the window forgets its handle at WM_DESTROY, and each check thread
// holds its own share until it has ended, so the mailbox lives on for as long as a thread that
// may still call it runs (also past the process's static destructors at exit).
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "notice_check.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {

// What the asking window makes of a check's result; both run on the worker thread.
struct NoticePolicy {
  // Whether the notice is handed to the window (a box also counts it here).
  bool (*acceptNotice)(const Notice& notice) noexcept = nullptr;
  // Run when the check delivered no notice (a box stops today's checks here).
  void (*onNoNotice)() noexcept = nullptr;
};

class NoticeMailbox : public std::enable_shared_from_this<NoticeMailbox> {
 public:
  // The posted message carries this in wParam.
  static constexpr WPARAM kNoticeArrived = 1;
  static constexpr WPARAM kNoNotice = 0;

  // `message` is the window's private message (WM_APP range for dialogs).
  static std::shared_ptr<NoticeMailbox> Create(HWND window, UINT message, NoticePolicy policy);

  // Starts a check when one is due; the thread shares the mailbox until it has ended. Empty when no
  // check started. `host` replaces the download endpoint's host (tests use a local server).
  UniqueHandle StartCheck(bool force, bool counting, const std::u16string& host = {}) noexcept;

  // WM_DESTROY: nothing is posted to the window from here on.
  void Forget() noexcept;

  // On the window's thread, when the message arrived: the notice kept for it, if any.
  std::optional<Notice> Take() const;

  // What the worker calls, also the seam through which tests hand in a result.
  void DeliverNotice(const std::u16string& label, const std::u16string& description,
                     const std::u16string& address) noexcept;
  void DeliverNoNotice() noexcept;

  NoticeMailbox(HWND window, UINT message, NoticePolicy policy) noexcept
      : window_(window), message_(message), policy_(policy) {}

 private:
  // Keeps a notice the policy accepts; says what to post about it.
  WPARAM Keep(const std::u16string& label, const std::u16string& description,
              const std::u16string& address) noexcept;
  void Post(WPARAM what) noexcept;

  mutable std::mutex lock_;
  HWND window_;
  const UINT message_;
  const NoticePolicy policy_;
  std::optional<Notice> notice_;
};

// Waits up to `timeoutMs` in all for the notice checks this process started. Called after the
// window is gone and its role has let the next start in, so a slow check delays nobody.
void WaitForNoticeChecks(DWORD timeoutMs) noexcept;

}  // namespace brimlet::win32
