// The settings dialog in this test process (its resources are linked in): the update button
// against the local notice server, the clear-history question, the engine menu and resizing.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "../../resources/settings_dialog_ids.h"
#include "../../windows/tests/classic_box_test_support.h"
#include "catalogue_reader.h"
#include "notice_check_win32.h"
#include "search_history.h"
#include "settings_dialog_window.h"
#include "testing/win32_test_support.h"
#include "win32/ui_text.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"

namespace brimlet::win32 {
namespace {

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Runs this thread's messages until `done` holds or time is up; true when it held.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > timeoutMs) return false;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return done();
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(10);
  }
  return true;
}

std::wstring Text(HWND window) {
  wchar_t text[256] = {};
  ::GetWindowTextW(window, text, 256);
  return text;
}

class SettingsDialogWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clean();
    ::OleInitialize(nullptr);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr);
    catalogue_ = LoadCatalogue(Win32FileSystem(), Win32XmlParser(), u"", BRIMLET_CATALOGUE_FOLDER);
    ASSERT_TRUE(catalogue_ && catalogue_->GetCount() > 2) << "the shipped catalogue did not load";
    ::DeleteFileW((recorder_ + L".log").c_str());
    ASSERT_TRUE(testing::CopyFileCreatingFolders(
        testing::BuildRoot() + L"tests\\stand_in_recorder.exe", recorder_));
    dialog_.SetCatalogue(catalogue_.get());
    ASSERT_NE(dialog_.Create(), nullptr);
    ::ShowWindow(dialog_.hwnd(), SW_SHOW);
  }
  void TearDown() override {
    if (dialog_.hwnd() != nullptr) ::DestroyWindow(dialog_.hwnd());
    Pump();
    Clean();
    Gdiplus::GdiplusShutdown(gdiplus_);
    ::OleUninitialize();
  }
  void Clean() {
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    registry_.DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
  }
  void SetProduct(std::u16string_view name, std::u16string_view text) {
    std::vector<std::byte> data((text.size() + 1) * 2);
    std::memcpy(data.data(), text.data(), text.size() * 2);
    registry_.SetValue(RegistryRoot::kLocalMachine, kProductKey, name, reg_type::kSz, data);
  }
  void Press(int id) {
    ::SendMessageW(dialog_.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Item(id)));
  }
  HWND Item(int id) const { return ::GetDlgItem(dialog_.hwnd(), id); }
  bool Closed() const { return dialog_.hwnd() == nullptr; }

  Win32Registry registry_;
  Settings settings_{registry_};
  ULONG_PTR gdiplus_ = 0;
  std::unique_ptr<SearchEngineList> catalogue_;
  SearchBoxConfigWindow dialog_{::GetModuleHandleW(nullptr), settings_};
  const std::wstring recorder_ = L"C:\\brimlet test\\browser\\recorder.exe";
};

std::u16string NoticeHost() {
  std::string port = testing::ReadTextFile(testing::BuildRoot() + L"tests\\notice_server\\port");
  while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
  return port.empty() ? u"" : u"http://127.0.0.1:" + std::u16string(port.begin(), port.end());
}

TEST_F(SettingsDialogWindowTest, AnAvailableUpdateIsOfferedAndAPressOpensItAndCloses) {
  const std::u16string host = NoticeHost();
  ASSERT_FALSE(host.empty()) << "the notice server fixture did not run (notice_server.start)";
  SetProduct(u"Version", u"1.6.0.28");
  SetProduct(u"Partner", u"ok");
  testing::ShellHandler http(L"http", L"\"" + recorder_ + L"\" \"%1\"");
  dialog_.SetNoticeHost(host);
  HWND button = Item(IDC_CHECK_UPDATE);

  Press(IDC_CHECK_UPDATE);
  EXPECT_EQ(Text(button), L"更新を確認しています...");
  EXPECT_FALSE(::IsWindowEnabled(button));
  ASSERT_TRUE(PumpUntil([&] { return ::IsWindowEnabled(button) != FALSE; }, 20'000));
  EXPECT_EQ(Text(button), L"更新が利用可能です");
  EXPECT_EQ(settings_.NotifyCount(), 0);  // the dialog's check counts nothing
  EXPECT_EQ(settings_.LastNotify(), 0u);

  Press(IDC_CHECK_UPDATE);
  EXPECT_TRUE(PumpUntil([&] { return Closed(); }, 5'000));
  std::string log;
  for (int i = 0; i < 200 && log.empty(); ++i, ::Sleep(50)) {
    log = testing::ReadTextFile(recorder_ + L".log");
  }
  EXPECT_EQ(log,
            "\"C:\\brimlet test\\browser\\recorder.exe\" "
            "\"http://127.0.0.1/brimlet/new.html\"\n");
}

TEST_F(SettingsDialogWindowTest, WithoutAnUpdateTheButtonStaysDisabled) {
  const std::u16string host = NoticeHost();
  ASSERT_FALSE(host.empty()) << "the notice server fixture did not run (notice_server.start)";
  SetProduct(u"Version", u"1.6.0.28");
  SetProduct(u"Partner", u"missing");  // 404: no notice
  dialog_.SetNoticeHost(host);
  HWND button = Item(IDC_CHECK_UPDATE);
  Press(IDC_CHECK_UPDATE);
  ASSERT_TRUE(PumpUntil([&] { return Text(button) == L"更新はありません"; }, 20'000));
  EXPECT_FALSE(::IsWindowEnabled(button));
  Press(IDC_CHECK_UPDATE);  // as a stray click would: nothing happens
  Pump();
  EXPECT_FALSE(Closed());
  EXPECT_EQ(Text(button), L"更新はありません");
}

// The check's thread reaches only the mailbox, so closing never waits for a slow server; the
// process waits for the thread afterwards.
TEST_F(SettingsDialogWindowTest, ClosingDuringASlowCheckDoesNotWaitForIt) {
  const std::u16string host = NoticeHost();
  ASSERT_FALSE(host.empty()) << "the notice server fixture did not run (notice_server.start)";
  SetProduct(u"Partner", u"slow");
  dialog_.SetNoticeHost(host);
  Press(IDC_CHECK_UPDATE);
  ::Sleep(500);  // the request is under way
  const DWORD start = ::GetTickCount();
  Press(IDCANCEL);
  EXPECT_TRUE(Closed());
  EXPECT_LT(::GetTickCount() - start, 1'000u);
  DownloadNoticeSource server;
  EXPECT_TRUE(server.Fetch(host + u"/release", 1024));
  WaitForNoticeChecks(20'000);  // lets go of the mailbox the thread called last
}

TEST_F(SettingsDialogWindowTest, AnUnsafeOrIncompleteNoticeIsNotOffered) {
  dialog_.Notices()->DeliverNotice(u"label", u"description", u"file:///C:/windows/notepad.exe");
  Pump();
  EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CHECK_UPDATE)));
  dialog_.Notices()->DeliverNotice(u"label", u"", u"http://www.example.jp/");
  Pump();
  EXPECT_FALSE(::IsWindowEnabled(Item(IDC_CHECK_UPDATE)));
  EXPECT_EQ(Text(Item(IDC_CHECK_UPDATE)), L"更新はありません");
}

TEST_F(SettingsDialogWindowTest, ClearingTheHistoryAsksAndCannotBeCancelled) {
  SaveHistory(registry_, {u"ブリムレット"}, {u"{ENGINE}"});
  {
    testing::MessageBoxAnswerer no(L"ブリムレットボックスの設定", IDNO);
    Press(IDC_CLEAR_HISTORY);
    EXPECT_EQ(no.answered(), 1);
  }
  EXPECT_EQ(LoadHistory(registry_).words.size(), 1u);
  {
    testing::MessageBoxAnswerer yes(L"ブリムレットボックスの設定", IDYES);
    Press(IDC_CLEAR_HISTORY);
    EXPECT_EQ(yes.answered(), 1);
  }
  EXPECT_TRUE(LoadHistory(registry_).words.empty());
  Press(IDCANCEL);
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(LoadHistory(registry_).words.empty());
}

TEST_F(SettingsDialogWindowTest, TheEngineMenuSetsTheDefaultEngine) {
  Press(IDC_USE_DEFAULT_ENGINE);
  ASSERT_TRUE(::IsWindowVisible(Item(IDC_DEFAULT_ENGINE_TOOLBAR)));
  // The menu is modal: a second thread picks its second item once it shows.
  std::atomic<bool> picked{false};
  std::thread chooser([&] {
    for (int i = 0; i < 200; ++i, ::Sleep(25)) {
      HWND menu = ::FindWindowW(L"#32768", nullptr);
      if (menu == nullptr || !::IsWindowVisible(menu)) continue;
      for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) ::PostMessageW(menu, WM_KEYDOWN, key, 0);
      picked = true;
      return;
    }
  });
  NMTOOLBARW drop{};
  drop.hdr.hwndFrom = Item(IDC_DEFAULT_ENGINE_TOOLBAR);
  drop.hdr.idFrom = IDC_DEFAULT_ENGINE_TOOLBAR;
  drop.hdr.code = TBN_DROPDOWN;
  drop.iItem = ID_DEFAULT_ENGINE_BUTTON;
  ::SendMessageW(dialog_.hwnd(), WM_NOTIFY, IDC_DEFAULT_ENGINE_TOOLBAR,
                 reinterpret_cast<LPARAM>(&drop));
  chooser.join();
  ASSERT_TRUE(picked);
  wchar_t name[128] = {};
  ::SendMessageW(Item(IDC_DEFAULT_ENGINE_TOOLBAR), TB_GETBUTTONTEXTW, ID_DEFAULT_ENGINE_BUTTON,
                 reinterpret_cast<LPARAM>(name));
  const std::u16string expected = catalogue_->GetAt(1)->GetName();
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(name)), expected);
  Press(IDOK);
  EXPECT_EQ(settings_.DefaultSearchEngine(), catalogue_->GetAt(1)->GetGuid());
  EXPECT_TRUE(settings_.SetDefaultSearchEngine());
}

TEST_F(SettingsDialogWindowTest, ResizingStretchesGroupsAndListsAndMovesTheButtons) {
  auto rect = [&](int id) {
    RECT rc{};
    ::GetWindowRect(Item(id), &rc);
    ::MapWindowPoints(nullptr, dialog_.hwnd(), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
  };
  const RECT group = rect(IDC_GENERAL_GROUP), list = rect(IDC_DESIGN), ok = rect(IDOK),
             check = rect(IDC_SNAP);
  RECT window{};
  ::GetWindowRect(dialog_.hwnd(), &window);
  ::SetWindowPos(dialog_.hwnd(), nullptr, 0, 0, window.right - window.left + 40,
                 window.bottom - window.top + 30, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(rect(IDC_GENERAL_GROUP).right, group.right + 40);
  EXPECT_EQ(rect(IDC_DESIGN).right, list.right + 40);
  EXPECT_EQ(rect(IDOK).left, ok.left + 40);
  EXPECT_EQ(rect(IDOK).top, ok.top + 30);
  EXPECT_EQ(rect(IDC_SNAP).right, check.right);
  // Never smaller than it opened.
  ::SetWindowPos(dialog_.hwnd(), nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
  RECT small{};
  ::GetWindowRect(dialog_.hwnd(), &small);
  EXPECT_EQ(small.right - small.left, window.right - window.left);
}

// Under another font the template's places can be too small: a label grows into free room.
TEST_F(SettingsDialogWindowTest, LabelsWithRoomBesideThemShowTheirWholeText) {
  for (int id : {IDC_HIDE_WHEN_INACTIVE, IDC_USE_KEYBOARD_HOOK, IDC_SNAP, IDC_SEARCH_SUGGESTIONS}) {
    HWND label = Item(id);
    RECT rc{};
    ::GetClientRect(label, &rc);
    EXPECT_GE(rc.right, TextWidth(label) + ::GetSystemMetrics(SM_CXMENUCHECK)) << id;
  }
  // The line under the suggestions' check box says what turning it on sends.
  HWND note = Item(IDC_SEARCH_SUGGESTIONS_NOTE);
  RECT rc{};
  ::GetClientRect(note, &rc);
  EXPECT_GE(rc.right, TextWidth(note));
}

TEST_F(SettingsDialogWindowTest, TheSuggestionsCheckBoxTurnsSearchSuggestionsOn) {
  EXPECT_EQ(::IsDlgButtonChecked(dialog_.hwnd(), IDC_SEARCH_SUGGESTIONS), BST_UNCHECKED);
  Press(IDC_SEARCH_SUGGESTIONS);
  EXPECT_EQ(::IsDlgButtonChecked(dialog_.hwnd(), IDC_SEARCH_SUGGESTIONS), BST_CHECKED);
  Press(IDOK);
  EXPECT_TRUE(settings_.SearchSuggestions());
}

}  // namespace
}  // namespace brimlet::win32
