// The tray menu's gadget entries: order, ids, separators, texts, and what an id runs.
#include <gtest/gtest.h>

#include "gadget/gadget_item.h"
#include "menu/about_text.h"
#include "menu/tray_menu.h"
#include "recording_binder.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

constexpr char16_t kFormat[] = u"%sの設定...";

struct Command {
  int32_t type;
  std::u16string guid;
  std::u16string name;
};

class FixedList final : public IGadgetList {
 public:
  void Add(std::u16string guid, std::u16string name, bool config, std::vector<Command> commands) {
    GadgetDescription d;
    d.guid = std::move(guid);
    d.name = std::move(name);
    d.hasConfig = config;
    for (auto& c : commands)
      d.commands.push_back(std::make_unique<GadgetItemCommand>(c.type, c.guid, c.name));
    items_.push_back(std::make_unique<GadgetItem>(std::move(d), u"", binder_));
  }
  size_t GetCount() const noexcept override { return items_.size(); }
  IGadgetItem* GetAt(size_t i) const noexcept override {
    return i < items_.size() ? items_[i].get() : nullptr;
  }
  void StartAll() noexcept override {}
  void StopAll() noexcept override {}
  void RebindTrigger(std::u16string_view) noexcept override {}
  GadgetResult ExecuteCommand(std::u16string_view) noexcept override { return 0; }
  GadgetResult Configure(std::u16string_view) noexcept override { return 0; }

 private:
  testing::RecordingBinder binder_;
  std::vector<std::unique_ptr<GadgetItem>> items_;
};

// The entries as lines: "id text", "---", and "[caption]" followed by indented children.
std::vector<std::string> Lines(const std::vector<TrayMenuEntry>& entries,
                               const std::string& indent = "") {
  std::vector<std::string> lines;
  for (const TrayMenuEntry& e : entries) {
    switch (e.kind) {
      case TrayMenuEntry::Kind::kSeparator:
        lines.push_back(indent + "---");
        break;
      case TrayMenuEntry::Kind::kItem:
        lines.push_back(indent + std::to_string(e.id) + " " + Utf16ToUtf8(e.text));
        break;
      case TrayMenuEntry::Kind::kSubmenu: {
        lines.push_back(indent + "[" + Utf16ToUtf8(e.text) + "]");
        for (auto& line : Lines(e.children, indent + "  ")) lines.push_back(line);
        break;
      }
    }
  }
  return lines;
}

using Lines_t = std::vector<std::string>;

TEST(TrayMenu, NoGadgetsAddNothing) {
  FixedList list;
  const TrayMenu menu = BuildTrayMenu(list, kFormat);
  EXPECT_TRUE(menu.entries.empty());
  EXPECT_TRUE(menu.commandGuids.empty());
  EXPECT_TRUE(menu.gadgetGuids.empty());
}

TEST(TrayMenu, AGadgetWithoutSettingsOrMenuCommandsLeavesAnEmptySettingsSubmenu) {
  FixedList list;
  list.Add(u"{A}", u"A", false, {{2, u"{HIDDEN}", u"Hidden"}});
  EXPECT_EQ(Lines(BuildTrayMenu(list, kFormat).entries), (Lines_t{"[設定]", "---"}));
}

TEST(TrayMenu, TheSearchBoxGadget) {
  FixedList list;
  list.Add(u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}", u"ブリムレットボックス", true,
           {{1, u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30041}", u"サーチボックスを表示"}});
  const TrayMenu menu = BuildTrayMenu(list, kFormat);
  EXPECT_EQ(Lines(menu.entries), (Lines_t{"1024 サーチボックスを表示", "---", "[設定]",
                                          "  2048 ブリムレットボックスの設定...", "---"}));
  EXPECT_EQ(menu.commandGuids.at(1024), u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30041}");
  EXPECT_EQ(menu.gadgetGuids.at(2048), u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}");
}

TEST(TrayMenu, EveryListedCommandHasItsOwnId) {
  FixedList list;
  list.Add(u"{A}", u"Alpha", false,
           {{1, u"{A1}", u"One"},
            {2, u"{A2}", u"Default only"},
            {1, u"{A3}", u""},
            {1, u"{A4}", u"Four"}});
  list.Add(u"{B}", u"Beta", true, {});
  list.Add(u"{C}", u"Gamma", true, {{1, u"{C1}", u"Five"}});
  const TrayMenu menu = BuildTrayMenu(list, kFormat);
  EXPECT_EQ(Lines(menu.entries), (Lines_t{"1024 One", "1025 Four", "1026 Five", "---", "[設定]",
                                          "  2049 Betaの設定...", "  2050 Gammaの設定...", "---"}));
  struct Case {
    uint32_t id;
    TrayChoice::Kind kind;
    std::u16string guid;
  } cases[] = {
      {1024, TrayChoice::Kind::kCommand, u"{A1}"},     {1025, TrayChoice::Kind::kCommand, u"{A4}"},
      {1026, TrayChoice::Kind::kCommand, u"{C1}"},     {2049, TrayChoice::Kind::kSettings, u"{B}"},
      {2050, TrayChoice::Kind::kSettings, u"{C}"},     {2048, TrayChoice::Kind::kOther, u""},
      {kExitCommandId, TrayChoice::Kind::kOther, u""}, {0, TrayChoice::Kind::kNone, u""},
  };
  for (const Case& c : cases) {
    const TrayChoice choice = InterpretTrayChoice(menu, c.id);
    EXPECT_EQ(choice.kind, c.kind) << c.id;
    EXPECT_EQ(choice.guid, c.guid) << c.id;
  }
}

TEST(TrayMenu, CommandIdsStopBeforeTheSettingsRange) {
  FixedList list;
  std::vector<Command> many;
  for (int i = 0; i < 1100; ++i) many.push_back({1, u"{X}", u"x"});
  list.Add(u"{A}", u"A", true, std::move(many));
  const TrayMenu menu = BuildTrayMenu(list, kFormat);
  EXPECT_EQ(menu.commandGuids.size(), 1024u);
  EXPECT_EQ(menu.commandGuids.rbegin()->first, kLastCommandId);
  EXPECT_EQ(menu.gadgetGuids.begin()->first, kFirstSettingsId);
}

TEST(TrayMenu, SettingsEntryText) {
  EXPECT_EQ(FormatSettingsEntry(kFormat, u"100%s"), u"100%sの設定...");
  EXPECT_EQ(FormatSettingsEntry(kFormat, u""), u"の設定...");
  const std::u16string longName(2000, u'名');
  const std::u16string text = FormatSettingsEntry(kFormat, longName);
  EXPECT_EQ(text.size(), 1023u);
  EXPECT_EQ(text, longName.substr(0, 1023));
}

TEST(AboutText, VersionFillsEveryPlaceholder) {
  EXPECT_EQ(FillVersion(u"Zelvo\n\nVer. {_VERSION_}\n(c)", u"1.6.0.28"),
            u"Zelvo\n\nVer. 1.6.0.28\n(c)");
  EXPECT_EQ(FillVersion(u"Ver. {_VERSION_}", u""), u"Ver. ");
  EXPECT_EQ(FillVersion(u"{_VERSION_}/{_VERSION_}", u"{_VERSION_}"), u"{_VERSION_}/{_VERSION_}");
}

}  // namespace
}  // namespace brimlet
