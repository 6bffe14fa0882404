// Brimlet.exe's classic box under Wine, driven like a user would: words typed into the
// edit, Enter, and the address the browser receives. The browser is a stand-in recorder
// registered in HKCR as the handler of http and https addresses.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "../../resources/searchbox_dialog_ids.h"
#include "classic_box_test_support.h"
#include "settings.h"
#include "settings_win32.h"
#include "testing/win32_test_support.h"
#include "text/utf16.h"
#include "user_engines.h"
#include "win32/unique_resource.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"

namespace brimlet {
namespace {

constexpr wchar_t kBoxTitle[] = L"ブリムレットボックス";
constexpr char16_t kWebEngine[] = u"{7B1E0001-0000-4000-8000-000000000001}";
constexpr char16_t kDictionary[] = u"{7B1E0002-0000-4000-8000-000000000002}";

std::wstring SourceData() { return win32::ToWide(BRIMLET_CLASSIC_BOX_TEST_DATA); }

struct RunningBox {
  win32::UniqueHandle process;
  HWND dialog = nullptr;
};

class ClassicBoxEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    Clean();
    settings_.SetSearchBoxDesign(0);
    settings_.SetSearchBoxDesignMigrated(true);
    settings_.SetUpdate(false);  // no notice request to the network
    settings_.SetRecordSearchWords(true);
    settings_.SetRememberLastSearchEngine(true);
    settings_.SetHideAtInactivate(false);
    dataFolder_ = win32::ToWide(win32::DataFolder());
    ASSERT_FALSE(dataFolder_.empty());
    InstallCatalogue(SourceData() + L"def_srch_engn.xml");
    for (const wchar_t* image : {L"web.ico", L"dict.png"}) {
      ASSERT_TRUE(testing::CopyFileCreatingFolders(SourceData() + L"image\\" + image,
                                                   dataFolder_ + L"image\\" + image));
    }
    // A folder with a space, as under Program Files.
    recorder_ = L"C:\\brimlet test\\browser\\recorder.exe";
    ::DeleteFileW((recorder_ + L".log").c_str());
    ASSERT_TRUE(testing::CopyFileCreatingFolders(
        testing::BuildRoot() + L"tests\\stand_in_recorder.exe", recorder_));
  }
  void TearDown() override {
    Clean();
    ::DeleteFileW((dataFolder_ + L"def_srch_engn.xml").c_str());
  }
  void Clean() { registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey); }

  void InstallCatalogue(const std::wstring& source) {
    ASSERT_TRUE(::CopyFileW(source.c_str(), (dataFolder_ + L"def_srch_engn.xml").c_str(), FALSE) ||
                testing::CopyFileCreatingFolders(source, dataFolder_ + L"def_srch_engn.xml"));
  }
  void InstallCatalogueText(const std::string& xml) {
    const std::wstring path = dataFolder_ + L"def_srch_engn.xml";
    win32::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file.get(), xml.data(), static_cast<DWORD>(xml.size()), &written, nullptr));
  }

  std::wstring HandlerCommand() const { return L"\"" + recorder_ + L"\" \"%1\""; }

  RunningBox Start() {
    RunningBox box;
    std::wstring line = L"\"" + testing::GadgetFolder() + L"Brimlet.exe\" /search";
    STARTUPINFOW si{sizeof(si)};
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi)) {
      return box;
    }
    ::CloseHandle(pi.hThread);
    box.process.reset(pi.hProcess);
    for (int i = 0; i < 400 && box.dialog == nullptr; ++i) {
      ::Sleep(25);
      HWND found = ::FindWindowW(L"#32770", kBoxTitle);
      if (found != nullptr && ::IsWindowVisible(found) &&
          ::GetDlgItem(found, IDC_SEARCH_WORDS) != nullptr) {
        box.dialog = found;
      }
    }
    return box;
  }

  // Types like a keyboard would deliver characters: one WM_CHAR per UTF-16 unit.
  static void Type(HWND dialog, std::u16string_view words) {
    HWND edit = ::GetDlgItem(dialog, IDC_SEARCH_WORDS);
    for (char16_t c : words) ::PostMessageW(edit, WM_CHAR, c, 1);
  }
  static void Press(HWND dialog, UINT key) {
    HWND edit = ::GetDlgItem(dialog, IDC_SEARCH_WORDS);
    ::PostMessageW(edit, WM_KEYDOWN, key, 1);
    ::PostMessageW(edit, WM_KEYUP, key, 0xC0000001);
  }
  static DWORD WaitForExit(const RunningBox& box) {
    if (::WaitForSingleObject(box.process.get(), 20'000) != WAIT_OBJECT_0) {
      ::TerminateProcess(box.process.get(), 99);
      return 0xDEAD;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(box.process.get(), &code);
    return code;
  }
  // The recorder's lines, after waiting for `count` of them (the shell does not wait).
  std::vector<std::string> Recorded(size_t count, DWORD waitMs = 10'000) const {
    std::vector<std::string> lines;
    for (DWORD waited = 0;; waited += 50) {
      lines.clear();
      const std::string text = testing::ReadTextFile(recorder_ + L".log");
      size_t start = 0;
      for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
      }
      if (lines.size() >= count || waited >= waitMs) return lines;
      ::Sleep(50);
    }
  }
  std::string Expected(const std::string& address) const {
    std::string line = "\"";
    line += Utf16ToUtf8(win32::FromWide(recorder_));
    line += "\" \"";
    line += address;
    line += '"';
    return line;
  }

  std::u16string HistoryValue(const char16_t* name) const {
    return settings_.ReadText(RegistryRoot::kCurrentUser, kHistoryKey, name);
  }

  win32::Win32Registry registry_;
  Settings settings_{registry_};
  std::wstring dataFolder_;
  std::wstring recorder_;
};

TEST_F(ClassicBoxEndToEnd, UserServicesAndKeywordsReachTheirEngines) {
  testing::ShellHandler http(L"http", HandlerCommand());
  testing::ShellHandler https(L"https", HandlerCommand());
  constexpr char16_t kMine[] = u"{0C0FFEE0-1234-4321-ABCD-0123456789AB}";
  EngineCustomisation own;
  own.services = {{kMine, u"古書", u"http://kosho.example.jp/find?q={searchTerms}&x=1", u"shift_jis",
                   u"k"}};
  own.keywords = {{kDictionary, u"d"}};
  ASSERT_TRUE(WriteEngineCustomisation(registry_, own));

  {  // The service, last in the rotation: one step back from the first engine.
    RunningBox box = Start();
    ASSERT_NE(box.dialog, nullptr);
    ::PostMessageW(box.dialog, WM_COMMAND, MAKEWPARAM(ID_PREVIOUS_ENGINE, 1), 0);
    Type(box.dialog, u"東京");
    Press(box.dialog, VK_RETURN);
    EXPECT_EQ(WaitForExit(box), 1u);
  }
  EXPECT_EQ(settings_.LastSearchEngine(), kMine);
  {  // A catalogue engine's keyword, full-width with an ideographic space.
    RunningBox box = Start();
    ASSERT_NE(box.dialog, nullptr);
    ::PostMessageW(box.dialog, WM_COMMAND, MAKEWPARAM(ID_NEXT_ENGINE, 1), 0);  // the first
    Type(box.dialog, u"Ｄ\u3000検索");
    Press(box.dialog, VK_RETURN);
    EXPECT_EQ(WaitForExit(box), 1u);
  }
  const std::vector<std::string> lines = Recorded(2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], Expected("http://kosho.example.jp/find?q=%93%8c%8b%9e&x=1"));
  EXPECT_EQ(lines[1], Expected("https://dict.example.jp/find?w=%b8%a1%ba%f7"
                               "&u=Lk%3d%25b8%25a1%25ba%25f7T"));
  EXPECT_EQ(HistoryValue(u"SearchWords_00"), u"検索");
  EXPECT_EQ(HistoryValue(u"SearchEngine_00"), kDictionary);
  EXPECT_EQ(HistoryValue(u"SearchWords_01"), u"東京");
  EXPECT_EQ(HistoryValue(u"SearchEngine_01"), kMine);
  // The keyword search left the remembered engine alone; the step before it stored it.
  EXPECT_EQ(settings_.LastSearchEngine(), kMine);
}

TEST_F(ClassicBoxEndToEnd, JapaneseWordsReachTheBrowserEncodedForEachEngine) {
  testing::ShellHandler http(L"http", HandlerCommand());
  testing::ShellHandler https(L"https", HandlerCommand());
  settings_.SetSearch(5);
  settings_.SetSearchMonthly(2);

  {  // The default engine: UTF-8 parameter.
    RunningBox box = Start();
    ASSERT_NE(box.dialog, nullptr);
    Type(box.dialog, u"東京 天気");
    Press(box.dialog, VK_RETURN);
    EXPECT_EQ(WaitForExit(box), 1u);
  }
  {  // Shift+Down to the next engine: EUC-JP in a plain and in a nested parameter.
    RunningBox box = Start();
    ASSERT_NE(box.dialog, nullptr);
    ::PostMessageW(box.dialog, WM_COMMAND, MAKEWPARAM(ID_NEXT_ENGINE, 1), 0);
    Type(box.dialog, u"検索");
    Press(box.dialog, VK_RETURN);
    EXPECT_EQ(WaitForExit(box), 1u);
  }
  {  // Words that are an http address open as they are.
    RunningBox box = Start();
    ASSERT_NE(box.dialog, nullptr);
    Type(box.dialog, u"http://www.example.jp/a?b=%E3%81%82");
    Press(box.dialog, VK_RETURN);
    EXPECT_EQ(WaitForExit(box), 1u);
  }

  const std::vector<std::string> lines = Recorded(3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], Expected("http://search.example.jp/search?ie=utf-8&q=%e6%9d%b1%e4%ba%ac%20"
                               "%e5%a4%a9%e6%b0%97&fr="));
  EXPECT_EQ(lines[1], Expected("https://dict.example.jp/find?w=%b8%a1%ba%f7"
                               "&u=Lk%3d%25b8%25a1%25ba%25f7T"));
  EXPECT_EQ(lines[2], Expected("http://www.example.jp/a?b=%E3%81%82"));

  EXPECT_EQ(HistoryValue(u"SearchWords_00"), u"http://www.example.jp/a?b=%E3%81%82");
  EXPECT_EQ(HistoryValue(u"SearchEngine_00"), kDictionary);  // the engine remembered last
  EXPECT_EQ(HistoryValue(u"SearchWords_01"), u"検索");
  EXPECT_EQ(HistoryValue(u"SearchEngine_01"), kDictionary);
  EXPECT_EQ(HistoryValue(u"SearchWords_02"), u"東京 天気");
  EXPECT_EQ(HistoryValue(u"SearchEngine_02"), kWebEngine);
  EXPECT_EQ(HistoryValue(u"SearchWords_03"), u"");
  EXPECT_EQ(settings_.LastSearchEngine(), kDictionary);
  EXPECT_EQ(settings_.Search(), 8);
  EXPECT_EQ(settings_.SearchMonthly(), 5);
  EXPECT_EQ(settings_.SearchBox(), 3);
}

TEST_F(ClassicBoxEndToEnd, ATamperedCatalogueCannotStartAProgram) {
  testing::ShellHandler http(L"http", HandlerCommand());
  testing::ShellHandler https(L"https", HandlerCommand());
  // The file scheme, a program path: the shell would run them. Neither may reach it.
  for (const char* host : {"file:///C:/windows/notepad.exe", "C:\\windows\\notepad.exe"}) {
    SCOPED_TRACE(host);
    InstallCatalogueText(
        std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><search_engines>"
                    "<format>{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30021}</format><search_engine>"
                    "<guid>{T}</guid><name>t</name><host>") +
        host +
        "</host><path>?</path><parameters><p><type>3</type><key>q</key><encode>utf-8</encode>"
        "</p></parameters></search_engine></search_engines>");
    RunningBox box = Start();
    ASSERT_NE(box.dialog, nullptr);
    Type(box.dialog, u"words");
    Press(box.dialog, VK_RETURN);
    EXPECT_EQ(WaitForExit(box), 1u);
  }
  EXPECT_TRUE(Recorded(1, 1'500).empty());
  EXPECT_EQ(settings_.Search(), 0);
  EXPECT_EQ(HistoryValue(u"SearchWords_00"), u"");
}

// A downloaded copy that reads with no engine would leave the box unable to search: the
// program folder's copy is used instead.
TEST_F(ClassicBoxEndToEnd, ADataCopyWithoutAnyEngineGivesWayToTheProgramFoldersCopy) {
  testing::ShellHandler http(L"http", HandlerCommand());
  testing::ShellHandler https(L"https", HandlerCommand());
  InstallCatalogueText(
      "<?xml version=\"1.0\"?><search_engines>"
      "<format>{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30021}</format></search_engines>");
  RunningBox box = Start();
  ASSERT_NE(box.dialog, nullptr);
  Type(box.dialog, u"tokyo");
  Press(box.dialog, VK_RETURN);
  EXPECT_EQ(WaitForExit(box), 1u);
  const std::vector<std::string> lines = Recorded(1);
  ASSERT_EQ(lines.size(), 1u);
  // The shipped catalogue's default engine took the words.
  EXPECT_NE(lines[0].find("\"https://www.google.co.jp/search?q=tokyo&"), std::string::npos)
      << lines[0];
  EXPECT_EQ(settings_.Search(), 1);
}

RECT ChildRect(HWND dialog, int id) {
  RECT rc{};
  ::GetWindowRect(::GetDlgItem(dialog, id), &rc);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

TEST_F(ClassicBoxEndToEnd, WideningStretchesTheEditAndMovesTheRightHandControls) {
  RunningBox box = Start();
  ASSERT_NE(box.dialog, nullptr);
  RECT window{};
  ::GetWindowRect(box.dialog, &window);
  const int ids[] = {IDC_SEARCH_WORDS, IDC_RECORD_SEARCH_WORDS, IDC_SYSTEM_TOOLBAR, IDOK,
                     IDC_ENGINE_TOOLBAR};
  std::vector<RECT> before;
  for (int id : ids) before.push_back(ChildRect(box.dialog, id));

  ::SetWindowPos(box.dialog, nullptr, 0, 0, window.right - window.left + 120,
                 window.bottom - window.top + 40, SWP_NOMOVE | SWP_NOZORDER);
  std::vector<RECT> after;
  for (int id : ids) after.push_back(ChildRect(box.dialog, id));

  EXPECT_EQ(after[0].left, before[0].left);
  EXPECT_EQ(after[0].right, before[0].right + 120);
  for (size_t i = 1; i <= 3; ++i) {
    SCOPED_TRACE(ids[i]);
    EXPECT_EQ(after[i].left, before[i].left + 120);
    EXPECT_EQ(after[i].right - after[i].left, before[i].right - before[i].left);
  }
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].top, before[i].top);  // height changes leave the controls in place
    EXPECT_EQ(after[i].bottom, before[i].bottom);
  }
  EXPECT_EQ(after[4].left, before[4].left);

  // It cannot be made smaller than it opened.
  ::SetWindowPos(box.dialog, nullptr, 0, 0, 100, 30, SWP_NOMOVE | SWP_NOZORDER);
  RECT smallest{};
  ::GetWindowRect(box.dialog, &smallest);
  EXPECT_EQ(smallest.right - smallest.left, window.right - window.left);

  ::PostMessageW(box.dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForExit(box), 1u);
}

TEST_F(ClassicBoxEndToEnd, TheLargeBoxDoublesTheFontAndGrowsByItsHeight) {
  SIZE size[2] = {};
  LONG fontHeight[2] = {};
  for (int large = 0; large < 2; ++large) {
    settings_.SetUseLargeSearchBox(large != 0);
    RunningBox box = Start();
    ASSERT_NE(box.dialog, nullptr);
    RECT rc{};
    ::GetWindowRect(box.dialog, &rc);
    size[large] = SIZE{rc.right - rc.left, rc.bottom - rc.top};
    // The font handle belongs to the box's process; its metrics are what the edit reports.
    HWND edit = ::GetDlgItem(box.dialog, IDC_SEARCH_WORDS);
    RECT editRect{};
    ::GetWindowRect(edit, &editRect);
    fontHeight[large] = editRect.bottom - editRect.top;
    Press(box.dialog, VK_ESCAPE);
    EXPECT_EQ(WaitForExit(box), 1u);
  }
  const LONG h = fontHeight[1] - fontHeight[0];  // the edit grew by exactly h
  EXPECT_GT(h, 0);
  EXPECT_EQ(size[1].cx - size[0].cx, 2 * h);
  EXPECT_EQ(size[1].cy - size[0].cy, h);
}

TEST_F(ClassicBoxEndToEnd, EscapeClosesTheBoxAndItsRectangleIsRestoredNextTime) {
  settings_.SetRestoreLastWindowPos(true);
  // Larger than the box opens, which is the smallest it can be made.
  settings_.SetLastWindowRect(Rect{40, 60, 40 + 900, 60 + 240});
  RunningBox box = Start();
  ASSERT_NE(box.dialog, nullptr);
  RECT rc{};
  ::GetWindowRect(box.dialog, &rc);
  EXPECT_EQ(rc.left, 40);
  EXPECT_EQ(rc.top, 60);
  EXPECT_EQ(rc.right, 940);
  EXPECT_EQ(rc.bottom, 300);
  ::SetWindowPos(box.dialog, nullptr, 70, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Press(box.dialog, VK_ESCAPE);
  EXPECT_EQ(WaitForExit(box), 1u);
  const Rect saved = settings_.LastWindowRect();
  EXPECT_EQ(saved.left, 70);
  EXPECT_EQ(saved.top, 80);
  EXPECT_EQ(saved.right, 970);
  EXPECT_EQ(saved.bottom, 320);
}

TEST_F(ClassicBoxEndToEnd, DeactivationClosesTheBoxUnlessItIsPinned) {
  settings_.SetHideAtInactivate(true);
  for (bool pinned : {false, true}) {
    SCOPED_TRACE(pinned ? "pinned" : "not pinned");
    RunningBox box = Start();
    ASSERT_NE(box.dialog, nullptr);
    if (pinned) ::SendMessageW(box.dialog, WM_COMMAND, MAKEWPARAM(ID_PUSH_PIN, 0), 0);
    // Another program's window takes the activation.
    HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                   nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);
    const bool ended = ::WaitForSingleObject(box.process.get(), 3'000) == WAIT_OBJECT_0;
    EXPECT_EQ(ended, !pinned);
    ::DestroyWindow(other);
    if (!ended) {
      ::PostMessageW(box.dialog, WM_CLOSE, 0, 0);
      EXPECT_EQ(WaitForExit(box), 1u);
    }
  }
}

TEST_F(ClassicBoxEndToEnd, HelpOpensTheHelpAddressAndClosesTheBox) {
  testing::ShellHandler http(L"http", HandlerCommand());
  testing::ShellHandler https(L"https", HandlerCommand());
  RunningBox box = Start();
  ASSERT_NE(box.dialog, nullptr);
  ::PostMessageW(box.dialog, WM_COMMAND, MAKEWPARAM(ID_HELP, 0), 0);
  EXPECT_EQ(WaitForExit(box), 1u);
  const std::vector<std::string> lines = Recorded(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], Expected(Utf16ToUtf8(settings_.HelpAddress(u"sb"))));
  EXPECT_EQ(settings_.Search(), 0);  // not a search
}

TEST_F(ClassicBoxEndToEnd, SettingsHandOverAndBackLeaveTheOpeningsUncounted) {
  RunningBox box = Start();
  ASSERT_NE(box.dialog, nullptr);
  const HWND first = box.dialog;
  ::PostMessageW(box.dialog, WM_COMMAND, MAKEWPARAM(ID_SETTINGS, 0), 0);
  EXPECT_EQ(WaitForExit(box), 1u);
  // "/config /RUNSEARCHBOX" runs the settings dialog; closed, it starts "/search /FROMCONFIGURE".
  HWND settingsDialog = nullptr;
  for (int i = 0; i < 400 && settingsDialog == nullptr; ++i) {
    ::Sleep(25);
    HWND found = ::FindWindowW(L"#32770", L"ブリムレットボックスの設定");
    if (found != nullptr && ::IsWindowVisible(found)) settingsDialog = found;
  }
  ASSERT_NE(settingsDialog, nullptr) << "the settings dialog did not open";
  ::PostMessageW(settingsDialog, WM_CLOSE, 0, 0);
  HWND reopened = nullptr;
  for (int i = 0; i < 400 && reopened == nullptr; ++i) {
    ::Sleep(25);
    HWND found = ::FindWindowW(L"#32770", kBoxTitle);
    if (found != nullptr && found != first && ::IsWindowVisible(found)) reopened = found;
  }
  ASSERT_NE(reopened, nullptr) << "the box did not come back after the settings";
  EXPECT_EQ(settings_.Configure(), 1);
  DWORD process = 0;
  ::GetWindowThreadProcessId(reopened, &process);
  win32::UniqueHandle reopenedProcess(::OpenProcess(SYNCHRONIZE, FALSE, process));
  ::PostMessageW(reopened, WM_CLOSE, 0, 0);
  ASSERT_TRUE(reopenedProcess);
  EXPECT_EQ(::WaitForSingleObject(reopenedProcess.get(), 20'000), WAIT_OBJECT_0);
  EXPECT_EQ(settings_.SearchBox(), 1);  // the reopening took its count back
  EXPECT_EQ(settings_.SearchBoxMonthly(), 1);
}

TEST_F(ClassicBoxEndToEnd, ASecondSummonClosesTheBoxInFront) {
  RunningBox box = Start();
  ASSERT_NE(box.dialog, nullptr);
  for (int i = 0; i < 100 && ::GetForegroundWindow() != box.dialog; ++i) ::Sleep(20);
  ASSERT_EQ(::GetForegroundWindow(), box.dialog);
  const testing::ProcessResult second =
      testing::RunProcess(L"\"" + testing::GadgetFolder() + L"Brimlet.exe\" /search");
  ASSERT_TRUE(second.ran);
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_EQ(WaitForExit(box), 1u);
}

}  // namespace
}  // namespace brimlet
