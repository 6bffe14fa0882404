// The start role's jobs under Wine against the local endpoint (endpoint/serve.py with the
// cases laid out by endpoint/tests/test_endpoint.py, started by a CTest fixture): the
// download's outcome, bounds and missing cookies, a build that accepts unsigned catalogues,
// the atomic installation, what earlier runs left behind, the pings' addresses and stamps,
// and a server that stalls. The update's refusals are tested through the real program
// (start_role_e2e_win32_test.cpp).
#include "background_jobs_win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <thread>

#include "catalogue_reader.h"
#include "download_win32.h"
#include "job_leftovers.h"
#include "testing/win32_test_support.h"
#include "text/utf16.h"
#include "usage_pings_win32.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"

namespace brimlet::win32 {
namespace {

using testing::BuildRoot;
using testing::ReadTextFile;

std::wstring EndpointFolder() { return BuildRoot() + L"tests\\endpoint\\"; }

std::string FirstLine(const std::wstring& path) {
  std::string text = ReadTextFile(path);
  return text.substr(0, text.find('\n'));
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class JobsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string port = FirstLine(EndpointFolder() + L"state\\port");
    ASSERT_FALSE(port.empty()) << "the endpoint fixture did not run (endpoint.start)";
    host_ = u"http://127.0.0.1:" + AsciiToUtf16(port);
    Clean();
    leftovers_ = JobLeftovers();
    data_ = FromWide(TempFolder()) + u"brimlet-jobs-data\\";
    DeleteTree(ToWide(data_));
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  void TearDown() override {
    EXPECT_EQ(JobLeftovers(), leftovers_) << "the jobs left files in the temporary folder";
    DeleteTree(ToWide(data_));
    ::DeleteFileW((EndpointFolder() + L"root\\bmb\\l.status").c_str());
    Clean();
    ::CoUninitialize();
  }
  void Clean() {
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    registry_.DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
  }
  void SetProduct(std::u16string_view name, std::u16string_view text) {
    std::vector<std::byte> data(text.size() * 2);
    std::memcpy(data.data(), text.data(), data.size());
    ASSERT_TRUE(
        registry_.SetValue(RegistryRoot::kLocalMachine, kProductKey, name, reg_type::kSz, data));
  }
  CatalogueUpdateOptions UpdateOptions() {
    return {host_, 0, data_, FromWide(testing::GadgetFolder()), std::nullopt, false};
  }
  std::string Requests() { return ReadTextFile(EndpointFolder() + L"state\\requests.log"); }
  std::optional<CatalogueVersion> InstalledVersion() {
    Win32FileSystem files;
    Win32XmlParser parser;
    return ReadCatalogueVersionFile(files, parser, data_ + u"def_srch_engn.xml");
  }

  Win32Registry registry_;
  Settings settings_{registry_};
  std::u16string host_;
  std::u16string data_;
  std::set<std::wstring> leftovers_;
};

TEST_F(JobsTest, DownloadSucceedsOnlyWithStatus200) {
  const struct {
    const char16_t* path;
    bool ok;
  } cases[] = {
      {u"/pub/bmb/newer/def_srch_engn.cab", true},
      {u"/pub/bmb/missing/def_srch_engn.cab", false},  // 404 with a body
      {u"/pub/bmb/error/def_srch_engn.cab", false},    // 500 with the cabinet as body
      {u"/pub/bmb/newer/def_srch_engn.cab", true},     // no cache answers the second time
  };
  for (const auto& c : cases) {
    TemporaryDownloadFile file;
    ASSERT_EQ(file.Create(), S_OK);
    EXPECT_EQ(DownloadInto(host_ + c.path, file), c.ok) << Utf16ToUtf8(c.path);
  }
  const std::string log = Requests();
  size_t fetched = 0;
  for (size_t at = 0; (at = log.find("/pub/bmb/newer/def_srch_engn.cab\n", at)) != log.npos; ++at) {
    ++fetched;
  }
  EXPECT_GE(fetched, 2u);
}

// A body without a Content-Length is counted as it arrives and given up at its cap: the
// server takes some 3 s to send the whole 1.2 MB, the capped download ends long before.
TEST_F(JobsTest, DownloadIsGivenUpPastItsCapWhileItArrives) {
  const std::u16string big = host_ + u"/pub/bmb/bigcab/def_srch_engn.cab";
  const auto timed = [&](size_t cap, bool expected) {
    TemporaryDownloadFile file;
    EXPECT_EQ(file.Create(), S_OK);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DownloadInto(big, file, cap), expected);
    file.ReleaseHandle();
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    ::GetFileAttributesExW(file.path().c_str(), GetFileExInfoStandard, &attributes);
    EXPECT_EQ(attributes.nFileSizeLow != 0, expected) << "a refused answer is not kept";
    return std::chrono::steady_clock::now() - start;
  };
  EXPECT_LT(timed(64 * 1024, false), std::chrono::milliseconds(1'500));
  EXPECT_GT(timed(2 << 20, true), std::chrono::milliseconds(2'000));
  EXPECT_EQ(DownloadBytes(host_ + u"/pub/bmb/newer/def_srch_engn.cab.sig", 100), std::nullopt);
  EXPECT_TRUE(DownloadBytes(host_ + u"/pub/bmb/newer/def_srch_engn.cab.sig", 1024));
}

// The server sets a cookie in every answer; no later request may carry it.
TEST_F(JobsTest, RequestsCarryNoCookies) {
  for (int i = 0; i < 2; ++i) {
    TemporaryDownloadFile file;
    ASSERT_EQ(file.Create(), S_OK);
    EXPECT_TRUE(DownloadInto(host_ + u"/pub/bmb/newer/def_srch_engn.cab", file));
  }
  const std::string log = Requests();
  EXPECT_EQ(log.find(" cookie="), std::string::npos) << log;
}

// A build for local tests (no key, unsigned accepted) installs an unsigned catalogue; the
// same without the option installs nothing.
TEST_F(JobsTest, OnlyABuildForLocalTestsAcceptsUnsignedCatalogues) {
  for (bool allowUnsigned : {false, true}) {
    SCOPED_TRACE(allowUnsigned ? "unsigned allowed" : "signatures required");
    DeleteTree(ToWide(data_));
    Clean();
    SetProduct(u"Partner", u"nosig");
    CatalogueUpdateOptions options = UpdateOptions();
    options.allowUnsigned = allowUnsigned;
    RunCatalogueUpdate(options);
    EXPECT_EQ(InstalledVersion().has_value(), allowUnsigned);
  }
}

// The live file is replaced in one step: while it cannot be replaced, it stays whole and
// nothing is left beside it; once it can, it is the new one.
TEST_F(JobsTest, InstallationReplacesTheLiveFileInOneStep) {
  const std::wstring data = ToWide(data_);
  const std::wstring extracted = TempFolder() + L"brimlet-jobs-extracted\\";
  DeleteTree(extracted);
  ASSERT_TRUE(testing::CopyFileCreatingFolders(testing::GadgetFolder() + L"image\\map.png",
                                               extracted + L"image\\map.png"));
  const std::string oldText = "<search_engines>old</search_engines>";
  const std::string newText = "<search_engines>new</search_engines>";
  const auto bytes = [](const std::string& text) {
    return std::span<const std::byte>(reinterpret_cast<const std::byte*>(text.data()), text.size());
  };
  ASSERT_TRUE(InstallCatalogue(extracted, data, bytes(oldText)));
  const std::wstring live = data + L"def_srch_engn.xml";
  {
    // A reader without delete sharing, as a box reading the file would hold it.
    UniqueFileHandle held(::CreateFileW(live.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(InstallCatalogue(extracted, data, bytes(newText)));
  }
  EXPECT_EQ(ReadTextFile(live), oldText);
  EXPECT_FALSE(Exists(live + L".new"));
  EXPECT_TRUE(InstallCatalogue(extracted, data, bytes(newText)));
  EXPECT_EQ(ReadTextFile(live), newText);
  EXPECT_FALSE(Exists(live + L".new"));
  EXPECT_TRUE(Exists(data + L"image\\map.png"));
  DeleteTree(extracted);
}

// Download files and extraction folders older than a day are removed; younger ones, and
// other names, stay.
TEST_F(JobsTest, LeftoversOfEarlierRunsAreRemovedAfterADay) {
  const std::wstring temp = TempFolder();
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER twoDaysAgo{{now.dwLowDateTime, now.dwHighDateTime}};
  twoDaysAgo.QuadPart -= 2ull * 86'400 * 10'000'000;
  const FILETIME old{twoDaysAgo.LowPart, twoDaysAgo.HighPart};
  struct Item {
    const wchar_t* name;
    bool folder;
    bool aged;
    bool removed;
  } items[] = {
      {L"TFRAA01.tmp", false, true, true},      {L"_926_4242", true, true, true},
      {L"TFRAA02.tmp", false, false, false},    {L"_926_4243", true, false, false},
      {L"brimlet-other.tmp", false, true, false},
  };
  for (const Item& item : items) {
    const std::wstring path = temp + item.name;
    if (item.folder) {
      ASSERT_TRUE(testing::CopyFileCreatingFolders(testing::GadgetFolder() + L"image\\map.png",
                                                   path + L"\\image\\map.png"));
    }
    UniqueFileHandle handle(::CreateFileW(
        path.c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, item.folder ? OPEN_EXISTING : CREATE_ALWAYS,
        item.folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr));
    ASSERT_TRUE(handle);
    if (item.aged) {
      ASSERT_TRUE(::SetFileTime(handle.get(), &old, &old, &old));
    }
  }
  EXPECT_GE(RemoveStaleLeftovers(), 2);
  for (const Item& item : items) {
    EXPECT_EQ(Exists(temp + item.name), !item.removed) << Utf16ToUtf8(FromWide(item.name));
    if (item.folder) {
      DeleteTree(temp + item.name + L"\\");
    } else {
      ::DeleteFileW((temp + item.name).c_str());
    }
  }
  leftovers_ = JobLeftovers();  // what this test made is gone, as the fixture expects
}

TEST_F(JobsTest, PingsReachTheServerAndMoveTheirStampsOnlyOnSuccess) {
  SetProduct(u"Partner", u"ptn");
  SetProduct(u"Version", u"1.6.0.28");
  for (bool serverFails : {false, true}) {
    SCOPED_TRACE(serverFails ? "server fails" : "server answers");
    if (serverFails) {
      ::CreateDirectoryW((EndpointFolder() + L"root\\bmb").c_str(), nullptr);
      HANDLE f = ::CreateFileW((EndpointFolder() + L"root\\bmb\\l.status").c_str(), GENERIC_WRITE,
                               0, nullptr, CREATE_ALWAYS, 0, nullptr);
      ASSERT_NE(f, INVALID_HANDLE_VALUE);
      DWORD written = 0;
      ::WriteFile(f, "500", 3, &written, nullptr);
      ::CloseHandle(f);
    }
    settings_.SetSearchBox(7);
    settings_.SetSearchBoxMonthly(2);
    settings_.SetSearch(5);
    settings_.SetSearchMonthly(1);
    settings_.SetConfigure(3);
    settings_.SetConfigureMonthly(1);
    settings_.SetKeyStroke(2);
    settings_.SetKeyStrokeMonthly(3);
    settings_.SetLastLiveLog(1000);
    settings_.SetLastMonthLog(1000);
    const auto before = static_cast<int64_t>(::time(nullptr));
    // Two starts of each at once: the mutex lets one of each through.
    UniqueHandle threads[] = {
        StartPing(PingKind::kLive, host_, 500), StartPing(PingKind::kMonthly, host_, 500),
        StartPing(PingKind::kLive, host_, 500), StartPing(PingKind::kMonthly, host_, 500)};
    for (auto& t : threads) {
      ASSERT_TRUE(t);
      ASSERT_EQ(::WaitForSingleObject(t.get(), 30'000), WAIT_OBJECT_0);
    }
    const std::string log = Requests();
    for (const char* expected :
         {"/bmb/l/v=1&l=1&p=ptn&pv=1.6.0.28&cnt_sb=7&cnt_srch=5&cnt_cfg=3&cfg_kbd=2&t=",
          "/bmb/l/v=1&l=2&p=ptn&pv=1.6.0.28&cnt_sb=2&cnt_srch=1&cnt_cfg=1&cfg_kbd=3&t="}) {
      const size_t first = log.rfind(expected);
      ASSERT_NE(first, std::string::npos) << expected;
      EXPECT_EQ(log.find(expected), first) << "sent twice: " << expected;
    }
    EXPECT_EQ(settings_.LastLiveLog() >= before, !serverFails);
    EXPECT_EQ(settings_.LastMonthLog() >= before, !serverFails);
    EXPECT_EQ(
        settings_.SearchBoxMonthly() + settings_.SearchMonthly() + settings_.ConfigureMonthly(), 0);
    EXPECT_EQ(settings_.SearchBox(), 7);
    // The next round's requests are told apart from these.
    ::DeleteFileW((EndpointFolder() + L"state\\requests.log").c_str());
  }
}

// Last: the stalled download's thread is left to end after the server lets it go.
TEST_F(JobsTest, AStallingServerDoesNotHoldTheStartRoleBeyondItsWait) {
  SetProduct(u"Partner", u"stall");
  JobOptions options{host_, host_, 0, 3'000};
  const auto start = std::chrono::steady_clock::now();
  RunBackgroundJobs(options);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_LT(waited, std::chrono::seconds(10));
  // Let the server close the stalled connection, and the abandoned worker finish.
  TemporaryDownloadFile file;
  ASSERT_EQ(file.Create(), S_OK);
  DownloadInto(host_ + u"/release", file);
  for (int i = 0; i < 100 && JobLeftovers() != leftovers_; ++i) ::Sleep(100);
}

}  // namespace
}  // namespace brimlet::win32
