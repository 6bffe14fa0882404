// Contract of the clock, named mutex and file adapters.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <map>

#include "testing/adapters_under_test.h"
#include "text/utf16.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace brimlet {
namespace {

TEST(ClockContract, WallTimeTickAndCalendar) {
  auto clock = testing::MakeClock();
  const int64_t now = clock->NowSeconds();
  EXPECT_NEAR(static_cast<double>(now), static_cast<double>(std::time(nullptr)), 5.0);
  const uint32_t before = clock->TickCount();
  clock->Sleep(60);
  const uint32_t elapsed = clock->TickCount() - before;  // unsigned: survives the wrap
  EXPECT_GE(elapsed, 40u);
  EXPECT_LT(elapsed, 5000u);
  // 2026-06-15 12:00 UTC is 15 June in every time zone within 11 hours of UTC.
  EXPECT_EQ(clock->LocalDate(1781524800), (CalendarDate{2026, 6, 15}));
  EXPECT_EQ(clock->LocalDate(951825600), (CalendarDate{2000, 2, 29}));
}

TEST(MutexContract, SecondCreateSeesTheFirstUntilAllAreClosed) {
  auto mutexes = testing::MakeMutexFactory();
  const std::u16string name = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F3FFFF}-contract";
  NamedMutexResult first = mutexes->Create(name);
  ASSERT_TRUE(first.handle);
  EXPECT_FALSE(first.alreadyExisted);
  NamedMutexResult second = mutexes->Create(name);
  ASSERT_TRUE(second.handle);
  EXPECT_TRUE(second.alreadyExisted);
  NamedMutexResult other = mutexes->Create(name + u"-other");
  EXPECT_FALSE(other.alreadyExisted);
  first.handle.reset();
  NamedMutexResult third = mutexes->Create(name);
  EXPECT_TRUE(third.alreadyExisted);  // the second still holds it
  second.handle.reset();
  third.handle.reset();
  EXPECT_FALSE(mutexes->Create(name).alreadyExisted);
}

#ifdef _WIN32
// A mutex made by an elevated process refuses our open with access denied: that process is
// running all the same. An empty access list makes the same refusal here.
TEST(Win32Mutex, AMutexWeMayNotOpenCountsAsExisting) {
  SECURITY_DESCRIPTOR descriptor;
  ACL emptyAcl;
  ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(::InitializeAcl(&emptyAcl, sizeof(emptyAcl), ACL_REVISION));
  ASSERT_TRUE(::SetSecurityDescriptorDacl(&descriptor, TRUE, &emptyAcl, FALSE));
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
  const wchar_t name[] = L"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F3FFFF}-denied";
  HANDLE held = ::CreateMutexW(&attributes, FALSE, name);
  ASSERT_NE(held, nullptr);
  ASSERT_EQ(::CreateMutexW(nullptr, FALSE, name), nullptr) << "the access list is not enforced";
  ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  const NamedMutexResult result =
      testing::MakeMutexFactory()->Create(u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F3FFFF}-denied");
  EXPECT_FALSE(result.handle);
  EXPECT_TRUE(result.alreadyExisted);
  ::CloseHandle(held);
}
#endif

TEST(FileContract, WriteReadLimitDelete) {
  auto files = testing::MakeFileSystem();
  const std::u16string path = testing::ScratchFolder() + u"data.bin";
  EXPECT_FALSE(files->FileExists(path));
  EXPECT_FALSE(files->ReadFile(path, 1000));
  const std::vector<std::byte> data = {std::byte{0}, std::byte{0xff}, std::byte{'\n'},
                                       std::byte{'\r'}};
  ASSERT_TRUE(files->WriteFile(path, data));
  EXPECT_TRUE(files->FileExists(path));
  EXPECT_EQ(files->ReadFile(path, 4), data);
  EXPECT_FALSE(files->ReadFile(path, 3));  // larger than allowed: nothing
  EXPECT_TRUE(files->RemoveFile(path));
  EXPECT_FALSE(files->FileExists(path));
  EXPECT_FALSE(files->FileExists(testing::ScratchFolder()));  // a folder is not a file
}

TEST(FileContract, CreateAndListFolders) {
  auto files = testing::MakeFileSystem();
  const std::u16string scratch = testing::ScratchFolder();
  const char16_t sep = scratch.back();
  // The scratch folder may be left from an earlier run (process ids come back under Wine).
  const std::u16string root =
      scratch + u"list-" +
      AsciiToUtf16(std::to_string(std::chrono::steady_clock::now().time_since_epoch().count())) +
      sep;
  EXPECT_FALSE(files->ListFolder(root));  // missing: cannot be listed
  ASSERT_TRUE(files->CreateFolder(root + u"a" + sep + u"deep" + sep));
  ASSERT_TRUE(files->CreateFolder(root + u"\u30d5\u30a9\u30eb\u30c0"));
  EXPECT_TRUE(files->CreateFolder(root + u"a"));  // already there
  ASSERT_TRUE(files->WriteFile(root + u"file.txt", std::vector<std::byte>{std::byte{1}}));
  EXPECT_FALSE(files->CreateFolder(root + u"file.txt"));  // a file is in the way

  auto listed = files->ListFolder(root);
  ASSERT_TRUE(listed);
  std::map<std::u16string, bool> entries;
  for (const FolderEntry& entry : *listed) entries[entry.name] = entry.isFolder;
  EXPECT_EQ(listed->size(), 3u);  // no "." or ".."
  EXPECT_EQ(entries, (std::map<std::u16string, bool>{
                         {u"a", true}, {u"file.txt", false}, {u"\u30d5\u30a9\u30eb\u30c0", true}}));
  EXPECT_TRUE(files->ListFolder(root + u"a" + sep + u"deep" + sep)->empty());
}

}  // namespace
}  // namespace brimlet
