// Binding real gadget modules under Wine: the test modules record each export call in a
// log beside themselves; hooks are real system-wide hooks.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "gadget/gadget_host.h"
#include "testing/win32_test_support.h"
#include "text/utf16.h"
#include "win32/wide.h"
#include "win32/win32_system.h"
#include "win32/win32_trigger_binder.h"
#include "win32/win32_xml.h"

namespace brimlet {
namespace {

constexpr char kSearchCommand[] = "{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30041}";
// Command guids, spelled as the modules' StringFromGUID2 writes them back.
constexpr char kC2[] = "{11111111-2222-3333-4444-0000000000C2}";
constexpr char kC3[] = "{11111111-2222-3333-4444-0000000000C3}";
constexpr char kD[] = "{11111111-2222-3333-4444-00000000000D}";
constexpr char kX[] = "{11111111-2222-3333-4444-00000000000E}";
constexpr char kShared[] = "{11111111-2222-3333-4444-0000000000AB}";

struct Gadget {
  std::string guid;
  const wchar_t* variant;  // test module file in the tests folder
  int triggerType = 1;
  std::string commands;  // command guids, each listed with type 1
  std::string defaultCommand;
};

class BindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"host-binding-" + std::to_wstring(::GetCurrentProcessId()) +
            L"-" + std::to_wstring(++counter_) + L"\\";
    // Process ids come back under Wine: start from nothing.
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    root_ += L"Gadgets\\";
  }
  void Install(const std::vector<Gadget>& gadgets) {
    for (const Gadget& g : gadgets) {
      const std::wstring folder = root_ + win32::ToWide(Utf8ToUtf16(g.guid)) + L"\\";
      if (g.variant != nullptr) {
        ASSERT_TRUE(testing::CopyFileCreatingFolders(testing::BuildRoot() + L"tests\\" + g.variant,
                                                     folder + L"gadget.dll"));
      }
      std::string xml = "<gadget><guid>" + g.guid +
                        "</guid><name>n</name><version>1</version><trigger><module>gadget.dll"
                        "</module><type>" +
                        std::to_string(g.triggerType) + "</type></trigger><commands>";
      for (size_t at = 0; at < g.commands.size(); at = g.commands.find(' ', at) + 1) {
        const std::string guid = g.commands.substr(at, g.commands.find(' ', at) - at);
        xml += "<command><guid>" + guid +
               "</guid><displayname>c</displayname><type>1</type></command>";
        if (g.commands.find(' ', at) == std::string::npos) break;
      }
      xml += "</commands><default_command>" + g.defaultCommand + "</default_command></gadget>";
      const auto* bytes = reinterpret_cast<const std::byte*>(xml.data());
      ASSERT_TRUE(files_.CreateFolder(win32::FromWide(folder)));
      ASSERT_TRUE(files_.WriteFile(win32::FromWide(folder + L"gadget.xml"), {bytes, xml.size()}));
    }
  }
  std::wstring ModulePath(const std::string& guid) {
    return root_ + win32::ToWide(Utf8ToUtf16(guid)) + L"\\gadget.dll";
  }
  std::string Calls(const std::string& guid) {
    return testing::ReadTextFile(ModulePath(guid) + L".calls.log");
  }
  HookHandle HookOf(const std::string& guid) {
    IGadgetList* list = host_->GetGadgetList();
    for (size_t i = 0; i < list->GetCount(); ++i) {
      if (list->GetAt(i)->GetGuid() == Utf8ToUtf16(guid)) {
        return dynamic_cast<GadgetItem*>(list->GetAt(i))->Hook();
      }
    }
    ADD_FAILURE() << "no gadget " << guid;
    return 0;
  }
  bool ModuleLoadedHere(const std::string& guid) {
    return ::GetModuleHandleW(ModulePath(guid).c_str()) != nullptr;
  }

  static inline int counter_ = 0;
  std::wstring root_;
  win32::Win32FileSystem files_;
  win32::Win32XmlParser xml_;
  win32::Win32TriggerBinder binder_;
  std::optional<GadgetHost> host_;

  GadgetHost& Host() {
    return host_.emplace(GadgetEnvironment{files_, xml_, binder_}, win32::FromWide(root_));
  }
};

TEST_F(BindingTest, StartHooksStartsAndStopRemovesEveryHook) {
  Install({{"{K}", L"test_gadget.dll", 1}, {"{M}", L"test_gadget_mouse.dll", 2}});
  GadgetHost& host = Host();
  host.StartGadgets();
  EXPECT_EQ(Calls("{K}"), "OnStart\n");
  EXPECT_EQ(Calls("{M}"), "OnStart\n");
  const HookHandle keyboard = HookOf("{K}");
  const HookHandle mouse = HookOf("{M}");
  EXPECT_NE(keyboard, 0u);
  EXPECT_NE(mouse, 0u);

  host.StopGadgets();
  EXPECT_EQ(HookOf("{K}"), 0u);
  // Removed hooks are unknown to the system: a second removal fails.
  EXPECT_FALSE(::UnhookWindowsHookEx(reinterpret_cast<HHOOK>(keyboard)));
  EXPECT_FALSE(::UnhookWindowsHookEx(reinterpret_cast<HHOOK>(mouse)));
}

TEST_F(BindingTest, GadgetsThatCannotBeHookedAreNotStartedButTheirCommandsWork) {
  Install({{"{MOUSE-NO-PROC}", L"test_gadget.dll", 2, kC2},
           {"{TYPE3}", L"test_gadget.dll", 3, kC3},
           {"{NO-MODULE}", nullptr, 1},
           {"{PRESENT}", L"test_gadget.dll", 1}});
  GadgetHost& host = Host();
  host.StartGadgets();
  EXPECT_EQ(HookOf("{MOUSE-NO-PROC}"), 0u);
  EXPECT_EQ(HookOf("{TYPE3}"), 0u);
  EXPECT_EQ(HookOf("{NO-MODULE}"), 0u);
  EXPECT_NE(HookOf("{PRESENT}"), 0u);
  EXPECT_EQ(Calls("{MOUSE-NO-PROC}"), "");
  EXPECT_EQ(Calls("{TYPE3}"), "");
  EXPECT_EQ(Calls("{PRESENT}"), "OnStart\n");

  EXPECT_EQ(host.ExecuteGadgetCommand(Utf8ToUtf16(kC2)), S_OK);
  EXPECT_EQ(host.ExecuteGadgetCommand(Utf8ToUtf16(kC3)), S_OK);
  EXPECT_EQ(Calls("{MOUSE-NO-PROC}"), std::string("ExecuteCommand ") + kC2 + "\n");
  EXPECT_EQ(Calls("{TYPE3}"), std::string("ExecuteCommand ") + kC3 + "\n");
  host.StopGadgets();
}

TEST_F(BindingTest, EveryCallReleasesTheModule) {
  Install({{"{A}", L"test_gadget.dll", 1, kSearchCommand},
           {"{BARE}", L"test_gadget_bare.dll", 1, "{B1}"}});
  GadgetHost& host = Host();
  EXPECT_EQ(host.ExecuteGadgetCommand(Utf8ToUtf16(kSearchCommand)), S_OK);
  EXPECT_EQ(Calls("{A}"), std::string("ExecuteCommand ") + kSearchCommand + "\n");
  EXPECT_FALSE(ModuleLoadedHere("{A}"));
  EXPECT_EQ(host.ConfigureGadget(u"{A}"), S_OK);
  EXPECT_FALSE(ModuleLoadedHere("{A}"));

  EXPECT_EQ(host.ExecuteGadgetCommand(u"{B1}"), E_FAIL);  // no such export
  EXPECT_EQ(host.ConfigureGadget(u"{BARE}"), E_FAIL);
  EXPECT_FALSE(ModuleLoadedHere("{BARE}"));

  ASSERT_TRUE(::DeleteFileW(ModulePath("{A}").c_str()));
  EXPECT_EQ(host.ExecuteGadgetCommand(Utf8ToUtf16(kSearchCommand)), E_UNEXPECTED);
  EXPECT_EQ(host.ConfigureGadget(u"{a}"), E_UNEXPECTED);
}

TEST_F(BindingTest, ConfigureRebindsOnlyAfterSuccess) {
  Install({{"{OK}", L"test_gadget.dll", 1}, {"{FAILS}", L"test_gadget_failing.dll", 1}});
  GadgetHost& host = Host();
  host.StartGadgets();
  const HookHandle ok = HookOf("{OK}");
  const HookHandle fails = HookOf("{FAILS}");

  EXPECT_EQ(host.ConfigureGadget(u"{unknown}"), E_INVALIDARG);
  EXPECT_EQ(HookOf("{OK}"), ok);

  EXPECT_EQ(host.ConfigureGadget(u"{fails}"), E_ACCESSDENIED);
  EXPECT_EQ(Calls("{FAILS}"), "OnStart\nConfigure\n");
  EXPECT_EQ(HookOf("{FAILS}"), fails);

  EXPECT_EQ(host.ConfigureGadget(u"{ok}"), S_OK);
  EXPECT_EQ(Calls("{OK}"), "OnStart\nConfigure\n");  // rebinding does not start it again
  EXPECT_NE(HookOf("{OK}"), 0u);
  EXPECT_FALSE(::UnhookWindowsHookEx(reinterpret_cast<HHOOK>(ok)));  // the old hook is gone
  host.StopGadgets();
}

TEST_F(BindingTest, DefaultCommandsAndSharedCommandGuids) {
  const std::string d = std::string(kD);
  Install({{"{ONE}", L"test_gadget.dll", 1, d + " " + kX + " " + d + " " + kShared,
            "{11111111-2222-3333-4444-00000000000d}"},
           {"{TWO}", L"test_gadget.dll", 1, kShared, kShared},
           {"{THREE}", L"test_gadget.dll", 1, kX, kC2}});
  GadgetHost& host = Host();
  IGadgetList* list = host.GetGadgetList();
  ASSERT_EQ(list->GetCount(), 3u);

  host.RunDefaultCommands();
  // {ONE} lists its default twice, so it runs twice. {TWO}'s default is listed by {ONE}
  // too, and still runs in {TWO}, whatever the list order.
  const std::string runD = "ExecuteCommand " + d + "\n";
  const std::string runShared = std::string("ExecuteCommand ") + kShared + "\n";
  EXPECT_EQ(Calls("{ONE}"), runD + runD);
  EXPECT_EQ(Calls("{TWO}"), runShared);
  EXPECT_EQ(Calls("{THREE}"), "");  // its default names no command of it
}

}  // namespace
}  // namespace brimlet
