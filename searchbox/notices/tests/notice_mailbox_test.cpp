// The mailbox's lifetime under Wine: a check's worker thread holds its own share of the
// mailbox, so nothing but the thread keeps it alive while it runs, and it goes when the
// thread has ended (no list destroyed at exit can take it from under the thread).
#include "notice_mailbox.h"

#include <gtest/gtest.h>

#include <atomic>

namespace brimlet::win32 {
namespace {

std::atomic<int> noNotices{0};

NoticePolicy CountingPolicy() {
  NoticePolicy policy;
  policy.acceptNotice = [](const Notice&) noexcept { return false; };
  policy.onNoNotice = []() noexcept { ++noNotices; };
  return policy;
}

TEST(NoticeMailbox, TheCheckThreadHoldsItsMailboxUntilItHasEnded) {
  noNotices = 0;
  std::shared_ptr<NoticeMailbox> mailbox = NoticeMailbox::Create(nullptr, WM_APP, CountingPolicy());
  const std::weak_ptr<NoticeMailbox> watched = mailbox;
  // Nothing listens on port 9: the check ends quickly with no notice.
  UniqueHandle started = mailbox->StartCheck(true, false, u"http://127.0.0.1:9");
  ASSERT_TRUE(started);
  HANDLE copy = nullptr;
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), started.get(), ::GetCurrentProcess(), &copy,
                                0, FALSE, DUPLICATE_SAME_ACCESS));
  const UniqueHandle thread(copy);
  started.reset();  // as a window that does not wait closes it at once
  mailbox.reset();  // the window has gone: only the thread's share is left
  ASSERT_EQ(::WaitForSingleObject(thread.get(), 30'000), WAIT_OBJECT_0);
  EXPECT_EQ(noNotices, 1) << "the thread reached its mailbox after the window let go";
  for (int i = 0; i < 250 && !watched.expired(); ++i) ::Sleep(20);
  EXPECT_TRUE(watched.expired()) << "the ended thread's share was let go without a wait";
  WaitForNoticeChecks(0);
}

}  // namespace
}  // namespace brimlet::win32
