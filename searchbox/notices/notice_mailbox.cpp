#include "notice_mailbox.h"

#include <utility>
#include <vector>

#include "notice_check_win32.h"

namespace brimlet::win32 {
namespace {

// The checks this process started, each with the mailbox its thread may still call.
struct PendingCheck {
  UniqueHandle thread;
  std::shared_ptr<NoticeMailbox> mailbox;
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

void OnNotice(void* context, const std::u16string& label, const std::u16string& description,
              const std::u16string& address) noexcept {
  static_cast<NoticeMailbox*>(context)->DeliverNotice(label, description, address);
}

void OnNoNotice(void* context) noexcept { static_cast<NoticeMailbox*>(context)->DeliverNoNotice(); }

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
    UniqueHandle thread = StartNoticeCheck(force, counting, this, &OnNotice, &OnNoNotice, host);
    if (!thread) return {};
    HANDLE kept = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), thread.get(), ::GetCurrentProcess(), &kept, 0,
                           FALSE, DUPLICATE_SAME_ACCESS)) {
      // Without a handle of its own the mailbox cannot tell when the thread ends: keep it
      // for the life of the process rather than free it under a running thread.
      new std::shared_ptr<NoticeMailbox>(shared_from_this());
      return thread;
    }
    Pending().push_back(PendingCheck{UniqueHandle(kept), shared_from_this()});
    return thread;
  } catch (...) {
    return {};
  }
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
  try {
    Notice notice{label, description, address};
    if (policy_.acceptNotice == nullptr || !policy_.acceptNotice(notice)) {
      // A notice the window cannot use ends the check like no notice at all.
      Post(kNoNotice);
      return;
    }
    {
      const std::lock_guard<std::mutex> guard(lock_);
      notice_ = std::move(notice);
    }
    Post(kNoticeArrived);
  } catch (...) {
    Post(kNoNotice);
  }
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
  } catch (...) {
  }
}

}  // namespace brimlet::win32
