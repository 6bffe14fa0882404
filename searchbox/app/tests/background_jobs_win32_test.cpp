// The start role's jobs under Wine against the local endpoint (endpoint/serve.py with the
// cases laid out by endpoint/tests/test_endpoint.py, started by a CTest fixture): the
// download's outcome, the catalogue update for each published case, the signature check,
// the pings' addresses and stamps, and a server that stalls.
#include "background_jobs_win32.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <set>
#include <string>
#include <thread>

#include "catalogue_reader.h"
#include "catalogue_signature.h"
#include "download_win32.h"
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

std::wstring TempFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH + 1, temp);
  return temp;
}

// What the jobs may leave in the temporary folder: download files and extraction folders.
std::set<std::wstring> JobLeftovers() {
  std::set<std::wstring> names;
  for (const wchar_t* pattern : {L"TFR*", L"_926_*"}) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((TempFolder() + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do names.insert(found.cFileName);
    while (::FindNextFileW(search, &found));
    ::FindClose(search);
  }
  return names;
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
    CopyOrDeleteTree(ToWide(data_), L"", true);
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  void TearDown() override {
    EXPECT_EQ(JobLeftovers(), leftovers_) << "the jobs left files in the temporary folder";
    CopyOrDeleteTree(ToWide(data_), L"", true);
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
    return {host_, 0, data_, FromWide(testing::GadgetFolder())};
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
  BindStatusCallbackImpl callback;
  DWORD flags = 1;
  EXPECT_EQ(callback.GetBindInfo(&flags, nullptr), S_OK);
  EXPECT_EQ(flags, 1u | 0x2030u);
  EXPECT_EQ(callback.GetBindInfo(nullptr, nullptr), E_POINTER);
  void* object = nullptr;
  EXPECT_EQ(callback.QueryInterface(IID_IHttpNegotiate, &object), S_OK);
  EXPECT_EQ(object, static_cast<IHttpNegotiate*>(&callback));
  EXPECT_EQ(callback.QueryInterface(IID_IStream, &object), E_NOINTERFACE);
  EXPECT_EQ(callback.stopResult(), E_FAIL);

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

TEST_F(JobsTest, CatalogueUpdateInstallsOnlyANewerSoundCatalogue) {
  const struct {
    const char16_t* partner;
    bool installed;
  } cases[] = {
      {u"newer", true},         {u"same", false},      {u"older", false},     {u"foreign", false},
      {u"nocatalogue", false},  {u"notxml", false},    {u"traversal", false}, {u"absolute", false},
      {u"continuation", false}, {u"truncated", false}, {u"missing", false},   {u"error", false},
      {u"nosig", true},  // no key in these options: unsigned is accepted
  };
  const std::wstring escaped = TempFolder() + L"..\\..\\evl.png";
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.partner));
    CopyOrDeleteTree(ToWide(data_), L"", true);
    Clean();
    SetProduct(u"Partner", c.partner);
    const auto before = static_cast<int64_t>(::time(nullptr));
    RunCatalogueUpdate(UpdateOptions());
    EXPECT_GE(static_cast<int64_t>(settings_.LastSearchServiceConfig()), before);
    const auto installed = InstalledVersion();
    EXPECT_EQ(installed.has_value(), c.installed);
    if (c.installed) {
      EXPECT_EQ(installed->version, ParseVersionNumber(u"99.0.0.1"));
      EXPECT_TRUE(Exists(ToWide(data_) + L"image\\map.png"));
      Win32FileSystem files;
      Win32XmlParser parser;
      const auto list = LoadCatalogue(files, parser, data_, FromWide(testing::GadgetFolder()));
      ASSERT_TRUE(list);
      EXPECT_EQ(list->GetAt(0)->GetImagePath().substr(0, data_.size()), data_);
    }
    EXPECT_FALSE(Exists(escaped));
    EXPECT_FALSE(Exists(L"C:\\evil"));
    EXPECT_EQ(JobLeftovers(), leftovers_);
  }
}

TEST_F(JobsTest, SignedCataloguesNeedTheirSignature) {
  const auto key = ParsePublicKeyHex(FirstLine(EndpointFolder() + L"public_key"));
  ASSERT_TRUE(key);
  const struct {
    const char16_t* partner;
    bool installed;
  } cases[] = {{u"signed", true}, {u"badsig", false}, {u"nosig", false}, {u"changed", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.partner));
    CopyOrDeleteTree(ToWide(data_), L"", true);
    SetProduct(u"Partner", c.partner);
    CatalogueUpdateOptions options = UpdateOptions();
    options.publicKey = key;
    RunCatalogueUpdate(options);
    EXPECT_EQ(InstalledVersion().has_value(), c.installed);
  }
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
