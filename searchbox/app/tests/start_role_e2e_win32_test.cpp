// "Brimlet.exe /start" end to end: a build of the program whose endpoints are the local
// test server runs its jobs; the catalogue arrives in the data folder for the next box,
// each ping reaches the server once although a second start meets the first.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <ctime>
#include <thread>

#include "catalogue_reader.h"
#include "catalogue_update.h"
#include "catalogue_update_win32.h"
#include "settings_win32.h"
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

TEST(StartRoleEndToEnd, NewerCatalogueArrivesAndEachPingGoesOnce) {
  const std::wstring endpoint = testing::BuildRoot() + L"tests\\endpoint\\";
  ASSERT_FALSE(testing::ReadTextFile(endpoint + L"state\\port").empty())
      << "the endpoint fixture did not run (endpoint.start)";
  const std::u16string data = DataFolder();
  ASSERT_FALSE(data.empty());
  CopyOrDeleteTree(ToWide(data), L"", true);
  Win32Registry registry;
  Settings settings(registry);
  registry.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
  registry.DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
  const std::u16string partner = u"newer";
  ASSERT_TRUE(
      registry.SetValue(RegistryRoot::kLocalMachine, kProductKey, u"Partner", reg_type::kSz,
                        {reinterpret_cast<const std::byte*>(partner.data()), partner.size() * 2}));
  settings.SetLastLiveLog(1000);
  settings.SetLastMonthLog(1000);
  ::DeleteFileW((endpoint + L"state\\requests.log").c_str());

  const std::wstring program =
      L"\"" + testing::BuildRoot() + L"tests\\local_gadget\\Brimlet.exe\" /start";
  testing::ProcessResult second;
  std::thread later([&] {
    ::Sleep(700);  // the first is in its delay by now
    second = testing::RunProcess(program, 90'000);
  });
  const auto first = testing::RunProcess(program, 90'000);
  later.join();
  ASSERT_TRUE(first.ran && second.ran);
  EXPECT_EQ(first.exitCode, 0u);

  const std::string log = testing::ReadTextFile(endpoint + L"state\\requests.log");
  EXPECT_EQ(Count(log, "/pub/bmb/newer/def_srch_engn.cab?t="), 1u) << log;
  EXPECT_EQ(Count(log, "/bmb/l/v=1&l=1&p=newer&pv=&"), 1u) << log;
  EXPECT_EQ(Count(log, "/bmb/l/v=1&l=2&p=newer&pv=&"), 1u) << log;
  EXPECT_NE(settings.LastLiveLog(), 1000u);

  // The next box reads the new catalogue and its icons from the data folder.
  Win32FileSystem files;
  Win32XmlParser parser;
  const auto version = ReadCatalogueVersionFile(files, parser, data + u"def_srch_engn.xml");
  ASSERT_TRUE(version);
  EXPECT_EQ(version->version, ParseVersionNumber(u"99.0.0.1"));
  const auto list = LoadCatalogue(files, parser, data, FromWide(testing::GadgetFolder()));
  ASSERT_TRUE(list && list->GetCount() > 0);
  const std::u16string image = list->GetAt(0)->GetImagePath();
  EXPECT_EQ(image.substr(0, data.size()), data);

  CopyOrDeleteTree(ToWide(data), L"", true);
  registry.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
  registry.DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
}

}  // namespace
}  // namespace brimlet::win32
