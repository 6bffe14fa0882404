#include "notice_mailbox.h"

#include <atomic>
#include <utility>
#include <vector>

#include "notice_check_win32.h"
#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

// The threads of the checks this process started, for WaitForNoticeChecks. The list holds
// no mailbox: each thread holds its own (ThreadShare), so a thread still running at exit,
// when this list is destroyed, reaches a live mailbox.
struct PendingCheck {
  UniqueHandle thread;
};

std::mutex& PendingLock() {
  static std::mutex lock;
  return lock;
}

std::vector<PendingCheck>& Pending() {
  static std::vector<PendingCheck> checks;
  return checks;
}

bool HasEnded(const PendingCheck& check) noexcept {
  return ::WaitForSingleObject(check.thread.get(), 0) == WAIT_OBJECT_0;
}

// The worker thread's share of its mailbox, let go when the thread has ended: a thread-pool
// wait on the thread's handle deletes it. The wait's handle is known only after the
// registration returns, which may be after the thread ended: whichever side comes second
// (the callback or the registration) unregisters the wait and deletes the share.
struct ThreadShare {
  explicit ThreadShare(std::shared_ptr<NoticeMailbox> kept) noexcept : mailbox(std::move(kept)) {}
  std::shared_ptr<NoticeMailbox> mailbox;
  // Its own handle of the thread: the caller may close the one it was given at once, and a
  // handle must stay open while a wait on it is registered.
  UniqueHandle thread;
  std::atomic<HANDLE> wait{nullptr};
};

const HANDLE kThreadEnded = INVALID_HANDLE_VALUE;

void LetGo(ThreadShare* share, HANDLE wait) noexcept {
  ::UnregisterWait(wait);  // not blocking: may run inside the wait's own callback
  delete share;
}

void CALLBACK OnThreadEnded(void* context, BOOLEAN) noexcept {
  auto* share = static_cast<ThreadShare*>(context);
  const HANDLE wait = share->wait.exchange(kThreadEnded);
  if (wait != nullptr) LetGo(share, wait);
}

UniqueHandle Duplicate(HANDLE handle) noexcept {
  HANDLE copy = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
    return {};
  }
  return UniqueHandle(copy);
}

// Hands the share to the thread's end. False when no wait could be registered (the share
// then stays for the life of the process rather than go under a running thread).
bool ReleaseWhenEnded(HANDLE thread, ThreadShare* share) noexcept {
  share->thread = Duplicate(thread);
  HANDLE wait = nullptr;
  if (!share->thread || !::RegisterWaitForSingleObject(&wait, share->thread.get(), &OnThreadEnded,
                                                       share, INFINITE, WT_EXECUTEONLYONCE)) {
    return false;
  }
  if (share->wait.exchange(wait) == kThreadEnded) LetGo(share, wait);
  return true;
}

void OnNotice(void* context, const std::u16string& label, const std::u16string& description,
              const std::u16string& address) noexcept {
  static_cast<ThreadShare*>(context)->mailbox->DeliverNotice(label, description, address);
}

void OnNoNotice(void* context) noexcept {
  static_cast<ThreadShare*>(context)->mailbox->DeliverNoNotice();
}

}  // namespace

std::shared_ptr<NoticeMailbox> NoticeMailbox::Create(HWND window, UINT message,
                                                     NoticePolicy policy) {
  return std::make_shared<NoticeMailbox>(window, message, policy);
}

UniqueHandle NoticeMailbox::StartCheck(bool force, bool counting,
                                       const std::u16string& host) noexcept {
  try {
    const std::lock_guard<std::mutex> guard(PendingLock());
    std::erase_if(Pending(), HasEnded);
    Pending().reserve(Pending().size() + 1);  // nothing can fail once the thread runs
    auto share = std::make_unique<ThreadShare>(shared_from_this());
    UniqueHandle thread =
        StartNoticeCheck(force, counting, share.get(), &OnNotice, &OnNoNotice, host);
    if (!thread) return {};
    ThreadShare* const kept = share.release();  // the thread's now
    if (!ReleaseWhenEnded(thread.get(), kept)) {
      Trace(u"Brimlet: a notice check keeps its mailbox for the life of the process");
    }
    if (UniqueHandle waitable = Duplicate(thread.get())) {
      Pending().push_back(PendingCheck{std::move(waitable)});
    }
    return thread;
  }
  BRIMLET_CATCH_RETURN_VALUE({})
}

void NoticeMailbox::Forget() noexcept {
  const std::lock_guard<std::mutex> guard(lock_);
  window_ = nullptr;
}

std::optional<Notice> NoticeMailbox::Take() const {
  const std::lock_guard<std::mutex> guard(lock_);
  return notice_;
}

void NoticeMailbox::DeliverNotice(const std::u16string& label, const std::u16string& description,
                                  const std::u16string& address) noexcept {
  Post(Keep(label, description, address));
}

WPARAM NoticeMailbox::Keep(const std::u16string& label, const std::u16string& description,
                           const std::u16string& address) noexcept {
  try {
    Notice notice{label, description, address};
    // A notice the window cannot use ends the check like no notice at all.
    if (policy_.acceptNotice == nullptr || !policy_.acceptNotice(notice)) return kNoNotice;
    const std::lock_guard<std::mutex> guard(lock_);
    notice_ = std::move(notice);
    return kNoticeArrived;
  }
  BRIMLET_CATCH_RETURN_VALUE(kNoNotice)
}

void NoticeMailbox::DeliverNoNotice() noexcept {
  if (policy_.onNoNotice != nullptr) policy_.onNoNotice();
  Post(kNoNotice);
}

void NoticeMailbox::Post(WPARAM what) noexcept {
  // Under the lock, so that Forget cannot slip between the test and the post.
  const std::lock_guard<std::mutex> guard(lock_);
  if (window_ != nullptr) ::PostMessageW(window_, message_, what, 0);
}

void WaitForNoticeChecks(DWORD timeoutMs) noexcept {
  try {
    const std::lock_guard<std::mutex> guard(PendingLock());
    const DWORD start = ::GetTickCount();
    for (const PendingCheck& check : Pending()) {
      const DWORD spent = ::GetTickCount() - start;
      if (spent >= timeoutMs) break;
      ::WaitForSingleObject(check.thread.get(), timeoutMs - spent);
    }
    std::erase_if(Pending(), HasEnded);
  }
  BRIMLET_CATCH_LOG()
}

}  // namespace brimlet::win32
