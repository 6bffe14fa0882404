// "Brimlet.exe /start" end to end: a build of the program whose endpoints and key are the
// local test server's runs its jobs; a sound, signed, newer catalogue arrives in the user's
// data folder for the next box, each ping reaches the server once although a second start
// meets the first, and every cabinet the update must refuse is refused with a trace line
// that says why, leaving nothing installed and nothing in the temporary folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <ctime>
#include <cwchar>
#include <set>
#include <thread>

#include "catalogue_reader.h"
#include "catalogue_update.h"
#include "catalogue_update_win32.h"
#include "settings_win32.h"
#include "job_leftovers.h"
#include "testing/win32_test_support.h"
#include "text/utf16.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"

namespace brimlet::win32 {
namespace {

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size()) ++n;
  return n;
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs a program as its debugger, which is how its trace lines (OutputDebugString) are
// seen: what the program wrote, in order.
struct TracedRun {
  bool ran = false;
  DWORD exitCode = 0;
  std::string trace;
};

TracedRun RunTraced(const std::wstring& commandLine, DWORD timeoutMs) {
  TracedRun run;
  STARTUPINFOW startup{sizeof(startup)};
  PROCESS_INFORMATION process{};
  std::wstring line = commandLine;
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                        nullptr, nullptr, &startup, &process)) {
    return run;
  }
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (bool ended = false; !ended;) {
    DEBUG_EVENT event{};
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline || !::WaitForDebugEvent(&event, static_cast<DWORD>(deadline - now))) {
      ::TerminateProcess(process.hProcess, 1);
      ::DebugActiveProcessStop(process.dwProcessId);
      break;
    }
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) ::CloseHandle(event.u.LoadDll.hFile);
        break;
      case OUTPUT_DEBUG_STRING_EVENT: {
        const auto& text = event.u.DebugString;
        const size_t unit = text.fUnicode ? 2 : 1;
        std::string bytes(text.nDebugStringLength * unit, '\0');
        SIZE_T read = 0;
        ::ReadProcessMemory(process.hProcess, text.lpDebugStringData, bytes.data(), bytes.size(),
                            &read);
        bytes.resize(read);
        if (text.fUnicode) {
          std::u16string wide(bytes.size() / 2, u'\0');
          std::memcpy(wide.data(), bytes.data(), wide.size() * 2);
          bytes = Utf16ToUtf8(wide);
        }
        run.trace += bytes.c_str();  // without the terminating zero
        break;
      }
      case EXCEPTION_DEBUG_EVENT:
        // The loader's first breakpoint is ours to pass; the rest are the program's own.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
          status = DBG_EXCEPTION_NOT_HANDLED;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        run.ran = true;
        run.exitCode = event.u.ExitProcess.dwExitCode;
        ended = true;
        break;
      default:
        break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return run;
}

class StartRole : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(testing::ReadTextFile(endpoint_ + L"state\\port").empty())
        << "the endpoint fixture did not run (endpoint.start)";
    ASSERT_FALSE(data_.empty());
    Clean();
    leftovers_ = JobLeftovers();
  }
  void TearDown() override {
    EXPECT_EQ(JobLeftovers(), leftovers_) << "the jobs left files in the temporary folder";
    Clean();
  }
  void Clean() {
    DeleteTree(ToWide(data_));
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    registry_.DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
  }
  void SetPartner(std::u16string_view partner) {
    ASSERT_TRUE(registry_.SetValue(
        RegistryRoot::kLocalMachine, kProductKey, u"Partner", reg_type::kSz,
        {reinterpret_cast<const std::byte*>(partner.data()), partner.size() * 2}));
  }
  // One start of the role with the update due; what it traced.
  TracedRun Start(std::u16string_view partner) {
    SetPartner(partner);
    settings_.SetLastSearchServiceConfig(0);
    const TracedRun run = RunTraced(program_, 90'000);
    EXPECT_TRUE(run.ran);
    return run;
  }
  std::optional<CatalogueVersion> Installed() {
    return ReadCatalogueVersionFile(files_, parser_, data_ + u"def_srch_engn.xml");
  }

  const std::wstring endpoint_ = testing::BuildRoot() + L"tests\\endpoint\\";
  const std::wstring program_ =
      L"\"" + testing::BuildRoot() + L"tests\\local_gadget\\Brimlet.exe\" /start";
  const std::u16string data_ = DataFolder();
  Win32Registry registry_;
  Settings settings_{registry_};
  Win32FileSystem files_;
  Win32XmlParser parser_;
  std::set<std::wstring> leftovers_;
};

TEST_F(StartRole, NewerCatalogueArrivesAndEachPingGoesOnce) {
  SetPartner(u"newer");
  settings_.SetLastLiveLog(1000);
  settings_.SetLastMonthLog(1000);
  ::DeleteFileW((endpoint_ + L"state\\requests.log").c_str());

  testing::ProcessResult second;
  std::thread later([&] {
    ::Sleep(700);  // the first is in its delay by now
    second = testing::RunProcess(program_, 90'000);
  });
  const auto first = testing::RunProcess(program_, 90'000);
  later.join();
  ASSERT_TRUE(first.ran && second.ran);
  EXPECT_EQ(first.exitCode, 0u);

  const std::string log = testing::ReadTextFile(endpoint_ + L"state\\requests.log");
  EXPECT_EQ(Count(log, "/pub/bmb/newer/def_srch_engn.cab?t="), 1u) << log;
  EXPECT_EQ(Count(log, "/pub/bmb/newer/def_srch_engn.cab.sig?t="), 1u) << log;
  EXPECT_EQ(Count(log, "/bmb/l/v=1&l=1&p=newer&pv=&"), 1u) << log;
  EXPECT_EQ(Count(log, "/bmb/l/v=1&l=2&p=newer&pv=&"), 1u) << log;
  EXPECT_EQ(Count(log, " cookie="), 0u) << "a request carried the cookie jar: " << log;
  EXPECT_NE(settings_.LastLiveLog(), 1000u);

  // Installed in one step: the new file is in place, nothing beside it.
  const auto version = Installed();
  ASSERT_TRUE(version);
  EXPECT_EQ(version->version, ParseVersionNumber(u"99.0.0.1"));
  EXPECT_FALSE(Exists(ToWide(data_) + L"def_srch_engn.xml.new"));
  EXPECT_EQ(settings_.HighestCatalogueVersion(), u"99.0.0.1");
  // The next box reads the new catalogue and its icons from the data folder.
  const auto list = LoadCatalogue(files_, parser_, data_, FromWide(testing::GadgetFolder()));
  ASSERT_TRUE(list && list->GetCount() > 0);
  const std::u16string image = list->GetAt(0)->GetImagePath();
  EXPECT_EQ(image.substr(0, data_.size()), data_);
}

TEST_F(StartRole, EveryUnsoundCabinetIsRefusedWithATraceLine) {
  const struct {
    const char16_t* partner;
    const char* why;
  } cases[] = {
      {u"nosig", "no signature"},
      {u"badsig", "does not verify"},
      {u"otherpartner", "for another partner"},
      {u"changed", "for other content"},
      {u"older", "not newer"},
      {u"same", "not newer"},
      {u"foreign", "another format identifier"},
      {u"noengine", "no usable engine"},
      {u"nodefault", "default engine is missing"},
      {u"nocatalogue", "holds no catalogue"},
      {u"notxml", "no readable catalogue"},
      {u"traversal", "entry name"},
      {u"absolute", "entry name"},
      {u"device", "entry name that a catalogue cabinet may not hold (image\\NUL.png)"},
      {u"manyentries", "more than 200 entries"},
      {u"bigentry", "an entry over 1 MB"},
      {u"bigtotal", "more than 4 MB in all"},
      {u"continuation", "continues in another one"},
      {u"truncated", "catalogue update refused"},
      {u"bigcab", "download refused"},
  };
  const std::wstring escaped = TempFolder() + L"..\\..\\evl.png";
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.partner));
    Clean();
    const TracedRun run = Start(c.partner);
    EXPECT_NE(run.trace.find(c.why), std::string::npos) << run.trace;
    EXPECT_FALSE(Installed());
    EXPECT_FALSE(Exists(ToWide(data_) + L"image"));
    EXPECT_FALSE(Exists(escaped));
    EXPECT_FALSE(Exists(L"C:\\evil"));
    EXPECT_EQ(JobLeftovers(), leftovers_);
    EXPECT_NE(settings_.LastSearchServiceConfig(), 0u) << "every attempt is recorded";
  }
}

// Once 99.0.0.1 was installed, a signed 98.0 cannot come back even after the data copy is
// lost; it is the highest ever installed that counts, not the copy in the program folder.
TEST_F(StartRole, AnOlderSignedCatalogueCannotComeBack) {
  Start(u"newer");
  ASSERT_TRUE(Installed());
  DeleteTree(ToWide(data_));
  const TracedRun run = Start(u"rollback");
  EXPECT_NE(run.trace.find("not newer"), std::string::npos) << run.trace;
  EXPECT_FALSE(Installed());

  settings_.SetHighestCatalogueVersion(u"");
  Start(u"rollback");
  const auto installed = Installed();
  ASSERT_TRUE(installed) << "98.0 is newer than the program folder's copy";
  EXPECT_EQ(installed->version, ParseVersionNumber(u"98.0"));
}

// The per-machine folder that earlier versions read, writable by whoever came first, is not
// looked at: a catalogue planted there neither becomes the one in use nor stops an update.
TEST_F(StartRole, ACataloguePlantedWhereThePerMachineCopyWasIsIgnored) {
  wchar_t common[MAX_PATH] = {};
  ASSERT_TRUE(::SHGetSpecialFolderPathW(nullptr, common, CSIDL_COMMON_APPDATA, TRUE));
  const std::u16string planted = DataFolderFrom(FromWide(common));
  ASSERT_NE(planted, data_);
  std::string shipped = testing::ReadTextFile(testing::GadgetFolder() + L"def_srch_engn.xml");
  const size_t at = shipped.find("<version>");
  ASSERT_NE(at, std::string::npos);
  shipped.replace(at, shipped.find("</version>") - at, "<version>100.0");
  ASSERT_TRUE(::SHCreateDirectoryExW(nullptr, ToWide(planted).c_str(), nullptr) == ERROR_SUCCESS ||
              Exists(ToWide(planted)));
  ASSERT_TRUE(files_.WriteFile(planted + u"def_srch_engn.xml",
                               {reinterpret_cast<const std::byte*>(shipped.data()), shipped.size()}));

  Start(u"newer");
  const auto installed = Installed();
  ASSERT_TRUE(installed);
  EXPECT_EQ(installed->version, ParseVersionNumber(u"99.0.0.1"));
  EXPECT_NE(CatalogueInUseVersion(files_, parser_, data_, FromWide(testing::GadgetFolder())),
            ParseVersionNumber(u"100.0"));
  DeleteTree(ToWide(planted));
}

// Wine prefers its own DLLs; with an override for the program (in the registry: Wine reads
// WINEDLLOVERRIDES only from the environment it was started with) it loads one beside the
// program first, as Windows does for DLLs that are not KnownDLLs. The program must take
// the system's.
TEST_F(StartRole, ADllNamedLikeADelayLoadedSystemDllBesideTheProgramNeverLoads) {
  const std::wstring tests = testing::BuildRoot() + L"tests\\";
  const std::wstring folder = tests + L"planted_gadget\\";
  DeleteTree(folder);
  ASSERT_TRUE(testing::CopyFileCreatingFolders(tests + L"local_gadget\\Brimlet.exe",
                                               folder + L"Brimlet.exe"));
  ASSERT_TRUE(testing::CopyFileCreatingFolders(tests + L"local_gadget\\def_srch_engn.xml",
                                               folder + L"def_srch_engn.xml"));
  const wchar_t* planted[] = {L"wininet.dll", L"bcrypt.dll", L"setupapi.dll"};
  for (const wchar_t* name : planted) {
    ASSERT_TRUE(testing::CopyFileCreatingFolders(tests + L"planted.dll", folder + name));
  }
  const wchar_t kOverrides[] = L"Software\\Wine\\AppDefaults\\Brimlet.exe\\DllOverrides";
  for (const wchar_t* name : planted) {
    const std::wstring dll(name, std::wcslen(name) - 4);
    const wchar_t order[] = L"native,builtin";
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kOverrides, dll.c_str(), REG_SZ, order,
                                sizeof(order)),
              ERROR_SUCCESS);
  }
  SetPartner(u"newer");
  const TracedRun run = RunTraced(L"\"" + folder + L"Brimlet.exe\" /start", 90'000);
  ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Brimlet.exe");
  ASSERT_TRUE(run.ran);
  for (const wchar_t* name : planted) {
    EXPECT_FALSE(Exists(folder + name + L".loaded")) << Utf16ToUtf8(FromWide(name));
  }
  // It did its work with the system's DLLs.
  const auto installed = Installed();
  ASSERT_TRUE(installed) << run.trace;
  EXPECT_EQ(installed->version, ParseVersionNumber(u"99.0.0.1"));
  DeleteTree(folder);
}

}  // namespace
}  // namespace brimlet::win32
