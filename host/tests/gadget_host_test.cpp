// Binding rules seen through the calls they make on a recording binder: hook types, what
// counts as a successful configuration, default commands that need no menu entry. The
// module-facing cases run against real modules under Wine (tests/win/binding_win32_test).
#include <gtest/gtest.h>

#include <algorithm>

#include "gadget/gadget_host.h"
#include "recording_binder.h"
#include "scratch.h"
#include "testing/adapters_under_test.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

struct CommandEntry {
  std::u16string guid;
  int32_t type = 1;
};

struct GadgetEntry {
  std::u16string guid;
  int32_t triggerType = 1;
  std::vector<CommandEntry> commands;
  std::u16string defaultCommand;
};

class GadgetHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testing::FreshTestFolder(*files_);
    gadgets_ = folder_ + u"Gadgets" + folder_.back();
  }
  // Writes one manifest per gadget, in folders named so that any listing order is fine:
  // tests that depend on order use one gadget per guid and look at the loaded order.
  void Install(const std::vector<GadgetEntry>& gadgets) {
    int n = 0;
    for (const GadgetEntry& gadget : gadgets) {
      std::string xml = "<gadget><guid>" + Utf16ToUtf8(gadget.guid) +
                        "</guid><name>G</name><version>1</version><trigger><module>m.dll</module>"
                        "<type>" +
                        std::to_string(gadget.triggerType) + "</type></trigger><commands>";
      for (const CommandEntry& c : gadget.commands) {
        xml += "<command><guid>" + Utf16ToUtf8(c.guid) +
               "</guid><displayname>x</displayname><type>" + std::to_string(c.type) +
               "</type></command>";
      }
      xml += "</commands><config>true</config><default_command>" +
             Utf16ToUtf8(gadget.defaultCommand) + "</default_command></gadget>";
      const std::u16string dir = gadgets_ + u"g" + FormatDecimal(n++);
      ASSERT_TRUE(files_->CreateFolder(dir));
      const auto* bytes = reinterpret_cast<const std::byte*>(xml.data());
      ASSERT_TRUE(files_->WriteFile(dir + folder_.back() + u"gadget.xml", {bytes, xml.size()}));
    }
  }
  std::string Module(std::u16string_view guid) {
    return Utf16ToUtf8(gadgets_ + std::u16string(guid) + folder_.back() + u"m.dll");
  }
  std::unique_ptr<IFileSystem> files_ = testing::MakeFileSystem();
  std::unique_ptr<IXmlParser> xml_ = testing::MakeXmlParser();
  testing::RecordingBinder binder_;
  std::u16string folder_;
  std::u16string gadgets_;
};

TEST_F(GadgetHostTest, StartHooksAndStartsOnlyWhatCanBeHooked) {
  Install({{u"{K}", 1}, {u"{M}", 2}, {u"{T}", 3}, {u"{GONE}", 1}});
  binder_.missingModules.insert(Utf8ToUtf16(Module(u"{GONE}")));
  GadgetHost host({*files_, *xml_, binder_}, gadgets_);
  host.StartGadgets();
  std::vector<std::string> expected;
  IGadgetList* list = host.GetGadgetList();
  ASSERT_EQ(list->GetCount(), 4u);
  int hook = 0;
  for (size_t i = 0; i < list->GetCount(); ++i) {
    const std::u16string guid = list->GetAt(i)->GetGuid();
    if (guid == u"{K}") {
      expected.push_back("hook 2 KeyboardProc " + Module(guid) + " -> " + std::to_string(++hook));
      expected.push_back("OnStart " + Module(guid));
    } else if (guid == u"{M}") {
      expected.push_back("hook 7 MouseProc " + Module(guid) + " -> " + std::to_string(++hook));
      expected.push_back("OnStart " + Module(guid));
    } else if (guid == u"{GONE}") {
      expected.push_back("hook 2 KeyboardProc " + Module(guid) + " -> 0");
    }  // type 3: no hook, no start
  }
  EXPECT_EQ(binder_.calls, expected);

  host.StopGadgets();
  EXPECT_TRUE(binder_.liveHooks.empty());
}

TEST_F(GadgetHostTest, ConfigureRebindsOnlyAfterSuccess) {
  Install({{u"{A}", 1}});
  GadgetHost host({*files_, *xml_, binder_}, gadgets_);
  host.StartGadgets();
  binder_.calls.clear();

  EXPECT_EQ(host.ConfigureGadget(u"{nobody}"), gadget_result::kInvalidArgument);
  EXPECT_TRUE(binder_.calls.empty());

  binder_.results["Configure"] = gadget_result::kFail;
  EXPECT_EQ(host.ConfigureGadget(u"{a}"), gadget_result::kFail);
  EXPECT_EQ(binder_.calls, std::vector<std::string>{"Configure " + Module(u"{A}")});
  EXPECT_EQ(binder_.liveHooks, std::set<HookHandle>{1});

  binder_.calls.clear();
  binder_.results["Configure"] = 1;  // S_FALSE is a success too
  EXPECT_EQ(host.ConfigureGadget(u"{a}"), 1);
  EXPECT_EQ(binder_.calls,
            (std::vector<std::string>{"Configure " + Module(u"{A}"), "unhook 1",
                                      "hook 2 KeyboardProc " + Module(u"{A}") + " -> 2"}));
  EXPECT_EQ(binder_.liveHooks, std::set<HookHandle>{2});
}

TEST_F(GadgetHostTest, AFailedRebindLeavesNoHookBehind) {
  Install({{u"{A}", 1}});
  GadgetHost host({*files_, *xml_, binder_}, gadgets_);
  host.StartGadgets();
  binder_.missingModules.insert(Utf8ToUtf16(Module(u"{A}")));
  host.GetGadgetList()->RebindTrigger(u"{A}");
  EXPECT_TRUE(binder_.liveHooks.empty());
}

TEST_F(GadgetHostTest, DefaultCommandsRunPerMatchingCommand) {
  Install({{u"{A}", 1, {{u"{D}"}, {u"{X}"}, {u"{d}", 2}}, u"{D}"},
           {u"{B}", 1, {{u"{Y}"}}, u"{NOT-LISTED}"},
           {u"{C}", 1, {{u"{Z}"}}, u""}});
  GadgetHost host({*files_, *xml_, binder_}, gadgets_);
  host.RunDefaultCommands();
  // Both commands with the default's guid run (the second one has type 2: defaults need
  // no menu entry); {B}'s default names no command of it, {C} has none.
  EXPECT_EQ(binder_.calls, (std::vector<std::string>{"ExecuteCommand {D} " + Module(u"{A}"),
                                                     "ExecuteCommand {d} " + Module(u"{A}")}));
}

TEST_F(GadgetHostTest, ADefaultCommandRunsInItsOwnGadget) {
  // Both gadgets list the same command guid and make it their default.
  Install({{u"{A}", 1, {{u"{D}"}}, u"{D}"}, {u"{B}", 1, {{u"{D}"}}, u"{D}"}});
  GadgetHost host({*files_, *xml_, binder_}, gadgets_);
  host.RunDefaultCommands();
  std::vector<std::string> calls = binder_.calls;
  std::sort(calls.begin(), calls.end());
  EXPECT_EQ(calls, (std::vector<std::string>{"ExecuteCommand {D} " + Module(u"{A}"),
                                             "ExecuteCommand {D} " + Module(u"{B}")}));
}

TEST_F(GadgetHostTest, TheListIsLoadedOnceAndAMissingFolderLeavesItEmpty) {
  GadgetHost host({*files_, *xml_, binder_}, folder_ + u"nowhere" + folder_.back());
  IGadgetList* list = host.GetGadgetList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetCount(), 0u);
  EXPECT_EQ(host.GetGadgetList(), list);
  EXPECT_EQ(host.ExecuteGadgetCommand(u"{X}"), gadget_result::kInvalidArgument);
}

}  // namespace
}  // namespace brimlet
