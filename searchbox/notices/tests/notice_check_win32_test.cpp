// The notice check end to end under Wine: the starter, the worker thread with its mutex,
// the bounded download and the signature check with the build's key (the tests' key)
// against a local HTTP server (tests/notice_server.py, started by a CTest fixture that
// writes its port beside this program).
#include "notice_check_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>

#include "download_win32.h"
#include "text/utf16.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"

namespace brimlet::win32 {
namespace {

std::string ServerPort() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring file(path);
  file.resize(file.rfind(L'\\') + 1);
  file += L"notice_server\\port";
  std::ifstream in(file.c_str());
  std::string port;
  std::getline(in, port);
  return port;
}

struct Recorded {
  std::mutex lock;
  int notices = 0;
  int noNotices = 0;
  DWORD callbackThread = 0;
  std::u16string label, description, address;
};

void RecordNotice(void* context, const std::u16string& label, const std::u16string& description,
                  const std::u16string& address) noexcept {
  auto* r = static_cast<Recorded*>(context);
  std::lock_guard guard(r->lock);
  ++r->notices;
  r->callbackThread = ::GetCurrentThreadId();
  r->label = label;
  r->description = description;
  r->address = address;
}

void RecordNoNotice(void* context) noexcept {
  auto* r = static_cast<Recorded*>(context);
  std::lock_guard guard(r->lock);
  ++r->noNotices;
  r->callbackThread = ::GetCurrentThreadId();
}

class NoticeCheckWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string port = ServerPort();
    ASSERT_FALSE(port.empty()) << "the notice server fixture did not run (notice_server.start)";
    host_ = u"http://127.0.0.1:" + AsciiToUtf16(port);
    Clean();
    SetProduct(u"Version", u"1.6.0.28");
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  void TearDown() override {
    Clean();
    ::CoUninitialize();
  }
  void Clean() {
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    registry_.DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
  }
  void SetProduct(std::u16string_view name, std::u16string_view text) {
    std::vector<std::byte> data((text.size() + 1) * 2);
    std::memcpy(data.data(), text.data(), text.size() * 2);
    ASSERT_TRUE(
        registry_.SetValue(RegistryRoot::kLocalMachine, kProductKey, name, reg_type::kSz, data));
  }
  UniqueHandle Start(bool force, bool counting) {
    return StartNoticeCheck(force, counting, &recorded_, RecordNotice, RecordNoNotice, host_);
  }
  // Runs a forced check for the partner that picks the server's answer.
  void CheckWithPartner(std::u16string_view partner) {
    SetProduct(u"Partner", partner);
    UniqueHandle thread = Start(true, false);
    ASSERT_TRUE(thread);
    ASSERT_EQ(::WaitForSingleObject(thread.get(), 20'000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    ::GetExitCodeThread(thread.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(recorded_.callbackThread, ::GetThreadId(thread.get()));
  }
  std::string ServerSide(std::u16string_view path) {
    const auto body = DownloadBytes(host_ + std::u16string(path), 1 << 20);
    return body ? std::string(reinterpret_cast<const char*>(body->data()), body->size()) : "";
  }

  Win32Registry registry_;
  Settings settings_{registry_};
  std::u16string host_;
  Recorded recorded_;
};

TEST_F(NoticeCheckWin32Test, ApplicableNoticeReachesTheNoticeCallbackOnTheWorkerThread) {
  CheckWithPartner(u"ok");
  EXPECT_EQ(recorded_.notices, 1);
  EXPECT_EQ(recorded_.noNotices, 0);
  EXPECT_EQ(recorded_.label, u"新しいバージョンがあります");
  EXPECT_EQ(recorded_.description, u"ブリムレットボックス 1.7 を公開しました");
  EXPECT_EQ(recorded_.address, u"http://127.0.0.1/brimlet/new.html");
  const std::string log = ServerSide(u"/log");
  EXPECT_NE(log.find("/pub/bmb/ok/notify.xml?t="), std::string::npos) << log;
}

TEST_F(NoticeCheckWin32Test, OnlyAnUpperBoundWithoutAnInstalledVersionApplies) {
  registry_.DeleteValue(RegistryRoot::kLocalMachine, kProductKey, u"Version");
  CheckWithPartner(u"upper");
  EXPECT_EQ(recorded_.notices, 1);
  EXPECT_EQ(recorded_.address, u"https://127.0.0.1/brimlet/new.html");
}

TEST_F(NoticeCheckWin32Test, FailedOrUnusableAnswersReachTheNoNoticeCallback) {
  for (std::u16string_view partner : {u"missing", u"garbage", u"unsafe", u"nothing-here",
                                      u"unsigned", u"othersig", u"foreignlink"}) {
    recorded_.notices = recorded_.noNotices = 0;
    CheckWithPartner(partner);
    EXPECT_EQ(recorded_.notices, 0) << Utf16ToUtf8(partner);
    EXPECT_EQ(recorded_.noNotices, 1) << Utf16ToUtf8(partner);
  }
}

TEST_F(NoticeCheckWin32Test, VersionAboveTheRangeGetsNoNotice) {
  SetProduct(u"Version", u"1.6.0.29");
  CheckWithPartner(u"ok");
  EXPECT_EQ(recorded_.notices, 0);
  EXPECT_EQ(recorded_.noNotices, 1);
}

TEST_F(NoticeCheckWin32Test, TheBoxsCheckIsRecordedAndTheFourthOfADayIsNotMade) {
  SetProduct(u"Partner", u"ok");
  const int64_t before = Win32Clock().NowSeconds();
  UniqueHandle thread = Start(false, true);
  ASSERT_TRUE(thread);
  ASSERT_EQ(::WaitForSingleObject(thread.get(), 20'000), WAIT_OBJECT_0);
  EXPECT_EQ(recorded_.notices, 1);
  EXPECT_GE(settings_.LastNotify(), static_cast<uint32_t>(before));

  settings_.SetNotifyCount(kDailyNoticeLimit);
  const std::string logBefore = ServerSide(u"/log");
  EXPECT_FALSE(Start(false, true));
  EXPECT_EQ(ServerSide(u"/log"), logBefore);  // no request reached the server
  UniqueHandle dialogs = Start(true, false);
  ASSERT_TRUE(dialogs) << "the dialog's check is always made";
  ASSERT_EQ(::WaitForSingleObject(dialogs.get(), 20'000), WAIT_OBJECT_0);
}

// A body that never finishes keeps the worker busy; a second check meanwhile finds the
// mutex and ends without calling anything; once the server gives up, the first check ends
// with no notice.
TEST_F(NoticeCheckWin32Test, HangingAnswerHoldsTheMutexAgainstASecondCheck) {
  SetProduct(u"Partner", u"slow");
  UniqueHandle slow = Start(true, false);
  ASSERT_TRUE(slow);
  EXPECT_EQ(::WaitForSingleObject(slow.get(), 1'500), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(recorded_.notices + recorded_.noNotices, 0);

  Recorded second;
  UniqueHandle other = StartNoticeCheck(true, true, &second, RecordNotice, RecordNoNotice, host_);
  ASSERT_TRUE(other);
  ASSERT_EQ(::WaitForSingleObject(other.get(), 10'000), WAIT_OBJECT_0);
  EXPECT_EQ(second.notices + second.noNotices, 0);
  EXPECT_EQ(settings_.LastNotify(), 0u) << "a check that did not run is not recorded";

  EXPECT_EQ(ServerSide(u"/release"), "released");
  ASSERT_EQ(::WaitForSingleObject(slow.get(), 20'000), WAIT_OBJECT_0);
  EXPECT_EQ(recorded_.notices, 0);
  EXPECT_EQ(recorded_.noNotices, 1);
}

// An answer without a Content-Length is given up once it passes the cap, not received
// whole (the server would send 4 MB over some seconds).
TEST_F(NoticeCheckWin32Test, AnEndlessAnswerIsGivenUpWhileItArrives) {
  SetProduct(u"Partner", u"endless");
  UniqueHandle thread = Start(true, false);
  ASSERT_TRUE(thread);
  // The whole answer would take the server some 5 s.
  EXPECT_EQ(::WaitForSingleObject(thread.get(), 2'500), WAIT_OBJECT_0);
  ASSERT_EQ(::WaitForSingleObject(thread.get(), 20'000), WAIT_OBJECT_0);
  EXPECT_EQ(recorded_.noNotices, 1);
}

// An answer that announces more than a notice can be is given up at its headers, not
// received whole (the server would hold it for a minute).
TEST_F(NoticeCheckWin32Test, AnswerAnnouncingAnOversizedBodyEndsAtItsHeaders) {
  SetProduct(u"Partner", u"huge");
  UniqueHandle thread = Start(true, false);
  ASSERT_TRUE(thread);
  const DWORD waited = ::WaitForSingleObject(thread.get(), 10'000);
  ServerSide(u"/release");
  ASSERT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(recorded_.notices, 0);
  EXPECT_EQ(recorded_.noNotices, 1);
}

}  // namespace
}  // namespace brimlet::win32
