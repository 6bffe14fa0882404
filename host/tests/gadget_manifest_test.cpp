// Manifest rules, run against the native XML and file adapters and, under Wine, against
// the platform DOM and Win32 files.
#include <gtest/gtest.h>

#include <string>

#include "gadget/gadget_list.h"
#include "gadget/gadget_manifest.h"
#include "recording_binder.h"
#include "scratch.h"
#include "testing/adapters_under_test.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

std::vector<std::byte> Bytes(std::string_view text) {
  const auto* data = reinterpret_cast<const std::byte*>(text.data());
  return {data, data + text.size()};
}

// One line per gadget: its fields in order, then its commands.
std::string Describe(const IGadgetItem* gadget) {
  if (gadget == nullptr) return "rejected";
  std::string text = Utf16ToUtf8(gadget->GetGuid()) + "|" + Utf16ToUtf8(gadget->GetName()) + "|" +
                     Utf16ToUtf8(gadget->GetVersion()) + "|" + Utf16ToUtf8(gadget->GetModule()) +
                     "|" + std::to_string(gadget->GetTriggerType()) + "|" +
                     (gadget->HasConfig() ? "config" : "-") + "|" +
                     Utf16ToUtf8(gadget->GetDefaultCommand());
  std::vector<const IGadgetItemCommand*> commands;
  gadget->GetCommands(commands);
  for (const IGadgetItemCommand* command : commands) {
    text += " [" + std::to_string(command->GetType()) + " " + Utf16ToUtf8(command->GetGuid()) +
            " " + Utf16ToUtf8(command->GetDisplayName()) + "]";
  }
  return text;
}

constexpr char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
constexpr char kTrigger[] = "<trigger><module>a.dll</module><type>1</type></trigger>";

std::string Gadget(const std::string& body) {
  return std::string(kHead) + "<gadget><guid>{A}</guid><name>Alpha</name><version>2.0</version>" +
         body + "</gadget>";
}

std::string GadgetWithGuid(const std::string& guid) {
  return std::string(kHead) + "<gadget><guid>" + guid +
         "</guid><name>N</name><version>1</version>" + kTrigger + "</gadget>";
}

class ManifestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = testing::FreshTestFolder(*files_);
    separator_ = folder_.back();
  }
  std::string Read(const std::vector<std::byte>& bytes) {
    const std::u16string path = folder_ + u"gadget.xml";
    EXPECT_TRUE(files_->WriteFile(path, bytes));
    return Describe(ReadGadgetManifest(env_, folder_, path).get());
  }
  void WriteManifest(const std::u16string& gadgetFolder, const std::string& xml) {
    ASSERT_TRUE(files_->CreateFolder(gadgetFolder));
    ASSERT_TRUE(files_->WriteFile(gadgetFolder + separator_ + u"gadget.xml", Bytes(xml)));
  }

  std::unique_ptr<IFileSystem> files_ = testing::MakeFileSystem();
  std::unique_ptr<IXmlParser> xml_ = testing::MakeXmlParser();
  testing::RecordingBinder binder_;
  GadgetEnvironment env_{*files_, *xml_, binder_};
  std::u16string folder_;
  char16_t separator_ = u'\\';
};

TEST_F(ManifestTest, ElementRules) {
  struct Case {
    const char* label;
    std::string xml;
    std::string expected;
  } cases[] = {
      {"complete",
       Gadget(std::string(kTrigger) +
              "<commands><command><guid>{C1}</guid><displayname>Run</displayname><type>1</type>"
              "</command></commands><config>true</config>"
              "<default_command>{C1}</default_command>"),
       "{A}|Alpha|2.0|a.dll|1|config|{C1} [1 {C1} Run]"},
      {"minimal", Gadget(kTrigger), "{A}|Alpha|2.0|a.dll|1|-|"},
      {"config TRUE", Gadget(std::string(kTrigger) + "<config>TRUE</config>"),
       "{A}|Alpha|2.0|a.dll|1|config|"},
      {"config True", Gadget(std::string(kTrigger) + "<config> True </config>"),
       "{A}|Alpha|2.0|a.dll|1|config|"},
      {"config yes", Gadget(std::string(kTrigger) + "<config>yes</config>"),
       "{A}|Alpha|2.0|a.dll|1|-|"},
      {"config 1", Gadget(std::string(kTrigger) + "<config>1</config>"),
       "{A}|Alpha|2.0|a.dll|1|-|"},
      {"type digit then letters",
       Gadget("<trigger><module>a.dll</module><type>1abc</type></trigger>"),
       "{A}|Alpha|2.0|a.dll|1|-|"},
      {"type 2", Gadget("<trigger><module>a.dll</module><type>2</type></trigger>"),
       "{A}|Alpha|2.0|a.dll|2|-|"},
      {"type other, stored", Gadget("<trigger><module>a.dll</module><type>-7</type></trigger>"),
       "{A}|Alpha|2.0|a.dll|-7|-|"},
      {"type beyond 32 bits stays at the end",
       Gadget("<trigger><module>a.dll</module><type>99999999999</type></trigger>"),
       "{A}|Alpha|2.0|a.dll|2147483647|-|"},
      {"type letters", Gadget("<trigger><module>a.dll</module><type>abc</type></trigger>"),
       "rejected"},
      {"type 0", Gadget("<trigger><module>a.dll</module><type>0</type></trigger>"), "rejected"},
      {"type missing", Gadget("<trigger><module>a.dll</module></trigger>"), "rejected"},
      {"module empty", Gadget("<trigger><module></module><type>1</type></trigger>"), "rejected"},
      {"trigger missing", Gadget("<module>a.dll</module><type>1</type>"), "rejected"},
      {"trigger name is case-sensitive",
       Gadget("<Trigger><module>a.dll</module><type>1</type></Trigger>"), "rejected"},
      {"guid empty",
       std::string(kHead) + "<gadget><guid> </guid><name>N</name><version>1</version>" + kTrigger +
           "</gadget>",
       "rejected"},
      {"name missing",
       std::string(kHead) + "<gadget><guid>{A}</guid><version>1</version>" + kTrigger + "</gadget>",
       "rejected"},
      {"version missing",
       std::string(kHead) + "<gadget><guid>{A}</guid><name>N</name>" + kTrigger + "</gadget>",
       "rejected"},
      {"two guids, the first counts",
       std::string(kHead) +
           "<gadget><guid>{FIRST}</guid><guid>{SECOND}</guid><name>N</name>"
           "<version>1</version>" +
           kTrigger + "</gadget>",
       "{FIRST}|N|1|a.dll|1|-|"},
      {"root not gadget",
       std::string(kHead) + "<gadgets><guid>{A}</guid><name>N</name><version>1</version>" +
           kTrigger + "</gadgets>",
       "rejected"},
      {"not well-formed", Gadget(std::string(kTrigger) + "<config>true</config"), "rejected"},
      {"commands with comments, text and other names",
       Gadget(std::string(kTrigger) +
              "<commands>\n  <!-- first -->\n  some text\n"
              "  <command><guid>{C1}</guid><displayname>One</displayname><type>1</type></command>\n"
              "  <other><guid>{X}</guid><type>1</type></other>\n"
              "  <Command><guid>{C2}</guid><displayname>Two</displayname><type>2</type></Command>\n"
              "  <COMMAND><guid>{C3}</guid><type>1</type></COMMAND>\n"
              "</commands><default_command>{C2}</default_command>"),
       "{A}|Alpha|2.0|a.dll|1|-|{C2} [1 {C1} One] [2 {C2} Two] [1 {C3} ]"},
      {"malformed commands are dropped alone",
       Gadget(std::string(kTrigger) +
              "<commands>"
              "<command><displayname>No guid</displayname><type>1</type></command>"
              "<command><guid>{Z}</guid><displayname>Zero</displayname><type>0</type></command>"
              "<command><guid>{N}</guid><displayname>No type</displayname></command>"
              "<command><guid>{OK}</guid><displayname>Kept</displayname><type>1</type></command>"
              "</commands>"),
       "{A}|Alpha|2.0|a.dll|1|-| [1 {OK} Kept]"},
      {"a duplicated command guid is kept twice",
       Gadget(std::string(kTrigger) +
              "<commands><command><guid>{D}</guid><displayname>1</displayname><type>1</type>"
              "</command><command><guid>{D}</guid><displayname>2</displayname><type>1</type>"
              "</command></commands>"),
       "{A}|Alpha|2.0|a.dll|1|-| [1 {D} 1] [1 {D} 2]"},
      {"Japanese text",
       Gadget(std::string(kTrigger) +
              "<commands><command><guid>{C}</guid><displayname>サーチボックスを表示</displayname>"
              "<type>1</type></command></commands>"),
       "{A}|Alpha|2.0|a.dll|1|-| [1 {C} サーチボックスを表示]"},
      // The guid names a folder and the module a file in it: neither may lead elsewhere.
      {"module with a path",
       Gadget("<trigger><module>..\\..\\x.dll</module><type>1</type></trigger>"), "rejected"},
      {"module on a drive", Gadget("<trigger><module>C:x.dll</module><type>1</type></trigger>"),
       "rejected"},
      {"module in a subfolder",
       Gadget("<trigger><module>bin/a.dll</module><type>1</type></trigger>"), "rejected"},
      {"guid climbing out", GadgetWithGuid(".."), "rejected"},
      {"guid with a separator", GadgetWithGuid("{A}\\..\\{B}"), "rejected"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(Read(Bytes(c.xml)), c.expected);
  }
}

TEST_F(ManifestTest, TheDocumentDecidesItsEncoding) {
  // UTF-16 with a byte-order mark.
  const std::u16string text =
      u"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><gadget>"
      u"<guid>{U}</guid><name>名前</name><version>1</version>"
      u"<trigger><module>u.dll</module><type>1</type></trigger></gadget>";
  std::vector<std::byte> utf16;
  for (char16_t c : text) {
    utf16.push_back(std::byte(c & 0xFF));
    utf16.push_back(std::byte(c >> 8));
  }
  EXPECT_EQ(Read(utf16), "{U}|名前|1|u.dll|1|-|");

  // Shift_JIS: "テスト" is 83 65 83 58 83 67.
  const std::string sjis =
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><gadget><guid>{S}</guid>"
      "<name>\x83\x65\x83\x58\x83\x67</name><version>1</version>"
      "<trigger><module>s.dll</module><type>1</type></trigger></gadget>";
  EXPECT_EQ(Read(Bytes(sjis)), "{S}|テスト|1|s.dll|1|-|");
}

TEST_F(ManifestTest, AnOversizedFileIsNotReadAtAll) {
  const std::string manifest = Gadget(kTrigger);
  const std::string padding = "<!--" + std::string(kMaxManifestBytes, ' ') + "-->";
  EXPECT_EQ(Read(Bytes(manifest.substr(0, manifest.size() - 9) + padding + "</gadget>")),
            "rejected");
}

TEST_F(ManifestTest, MissingFileIsRejected) {
  EXPECT_EQ(ReadGadgetManifest(env_, folder_, folder_ + u"absent.xml"), nullptr);
}

TEST_F(ManifestTest, LoadScansEveryFolderInListingOrder) {
  const std::u16string gadgets = folder_ + u"Gadgets" + separator_;
  WriteManifest(gadgets + u"first", GadgetWithGuid("{1}"));
  WriteManifest(gadgets + u"second", GadgetWithGuid("{2}"));
  WriteManifest(gadgets + u"broken", Gadget("<trigger/>"));
  ASSERT_TRUE(files_->CreateFolder(gadgets + u"empty"));
  ASSERT_TRUE(files_->WriteFile(gadgets + u"gadget.xml", Bytes(Gadget(kTrigger))));  // a plain file

  GadgetList list(env_);
  ASSERT_TRUE(list.Load(gadgets));
  std::vector<std::string> expected;
  const auto listing = files_->ListFolder(gadgets);
  ASSERT_TRUE(listing);
  for (const FolderEntry& entry : *listing) {
    if (entry.name == u"first") expected.push_back("{1}");
    if (entry.name == u"second") expected.push_back("{2}");
  }
  std::vector<std::string> loaded;
  for (size_t i = 0; i < list.GetCount(); ++i)
    loaded.push_back(Utf16ToUtf8(list.GetAt(i)->GetGuid()));
  EXPECT_EQ(loaded, expected);
  EXPECT_EQ(list.GetAt(2), nullptr);
}

TEST_F(ManifestTest, LoadOfAMissingFolderFailsAndLeavesTheListEmpty) {
  GadgetList list(env_);
  EXPECT_FALSE(list.Load(folder_ + u"nowhere" + separator_));
  EXPECT_EQ(list.GetCount(), 0u);
}

TEST_F(ManifestTest, TheModuleIsLookedForInTheFolderNamedByTheGuid) {
  const std::u16string gadgets = folder_ + u"G" + separator_;
  WriteManifest(gadgets + u"folder-name", Gadget(kTrigger));
  GadgetList list(env_);
  ASSERT_TRUE(list.Load(gadgets));
  ASSERT_EQ(list.GetCount(), 1u);
  list.GetAt(0)->OnStart();
  ASSERT_EQ(binder_.calls.size(), 1u);
  EXPECT_EQ(binder_.calls[0], "OnStart " + Utf16ToUtf8(gadgets + u"{A}" + separator_ + u"a.dll"));
}

TEST(ManifestNumber, ReadsLikeWcstol) {
  struct Case {
    std::u16string text;
    int32_t value;
  } cases[] = {
      {u"1", 1},
      {u"  42x", 42},
      {u"+7", 7},
      {u"-12", -12},
      {u"", 0},
      {u"x1", 0},
      {u"- 1", 0},
      {u"2147483647", 2147483647},
      {u"2147483648", 2147483647},
      {u"-2147483648", INT32_MIN},
      {u"-99999999999999999999", INT32_MIN},
      {u"\t3", 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseManifestNumber(c.text), c.value) << Utf16ToUtf8(c.text);
  }
}

}  // namespace
}  // namespace brimlet
