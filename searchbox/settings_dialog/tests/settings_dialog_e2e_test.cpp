// Brimlet.exe /config under Wine, driven through its controls as a user would: what OK
// writes, what Cancel leaves alone, and how the controls follow each other.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <set>
#include <string>

#include "../../resources/settings_dialog_ids.h"
#include "search_history.h"
#include "settings.h"
#include "testing/win32_test_support.h"
#include "win32/win32_registry.h"

namespace brimlet {
namespace {

constexpr wchar_t kTitle[] = L"ブリムレットボックスの設定";
// The shipped catalogue's default engine.
constexpr std::u16string_view kDefaultEngine = u"{4E0F6C06-75A4-414B-A542-BA8699401936}";

class SettingsDialogE2eTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override {
    if (process_.hProcess != nullptr) {
      if (::WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.hProcess, 99);
      }
      ::CloseHandle(process_.hProcess);
      ::CloseHandle(process_.hThread);
    }
    Clean();
  }
  void Clean() { registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey); }

  // Starts Brimlet.exe /config and waits for its dialog.
  void Open() {
    std::wstring command = L"\"" + testing::GadgetFolder() + L"Brimlet.exe\" /config";
    STARTUPINFOW startup{sizeof(startup)};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process_));
    for (int i = 0; i < 200 && dialog_ == nullptr; ++i, ::Sleep(50)) {
      HWND found = ::FindWindowW(L"#32770", kTitle);
      if (found != nullptr && ::IsWindowVisible(found)) dialog_ = found;
    }
    ASSERT_NE(dialog_, nullptr) << "the settings dialog did not open";
  }
  // The exit code once the process ended, or nothing after a few seconds.
  std::optional<DWORD> Ended() {
    if (::WaitForSingleObject(process_.hProcess, 10'000) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }
  HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }
  void Click(int id) {
    ::SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Item(id)));
  }
  void Choose(int list, int index) {
    ::SendMessageW(Item(list), CB_SETCURSEL, index, 0);
    ::SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(Item(list)));
  }
  bool Checked(int id) const { return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
  // The names of the values stored under the settings key.
  static std::set<std::wstring> ValueNames() {
    std::set<std::wstring> names;
    HKEY key = nullptr;
    const std::wstring path(kSettingsKey.begin(), kSettingsKey.end());
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return names;
    }
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
      DWORD size = 256;
      if (::RegEnumValueW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      names.insert(name);
    }
    ::RegCloseKey(key);
    return names;
  }

  win32::Win32Registry registry_;
  Settings settings_{registry_};
  PROCESS_INFORMATION process_{};
  HWND dialog_ = nullptr;
};

TEST_F(SettingsDialogE2eTest, OkWritesEverySettingTheUserChanged) {
  settings_.SetKeyStroke(2);
  settings_.SetSearchBoxDesign(1);
  settings_.SetSearchBoxTransparency(80);
  const Settings& s = settings_;
  Open();
  EXPECT_EQ(::SendMessageW(Item(IDC_KEYSTROKE), CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(::SendMessageW(Item(IDC_DESIGN), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(::SendMessageW(Item(IDC_OPACITY), CB_GETCURSEL, 0, 0), 2);  // "80%"
  struct Flag {
    int id;
    bool (Settings::*read)() const noexcept;
    bool before;
  } flags[] = {
      {IDC_RESTORE_POSITION, &Settings::RestoreLastWindowPos},
      {IDC_HIDE_WHEN_INACTIVE, &Settings::HideAtInactivate},
      {IDC_LARGE_BOX, &Settings::UseLargeSearchBox},
      {IDC_CUSTOM_WORDS_COLOR, &Settings::UseCustomSearchWordsColor},
      {IDC_SNAP, &Settings::SnapSearchBox},
      {IDC_REMEMBER_IME, &Settings::RememberImeState},
      {IDC_NOTIFY_UPDATES, &Settings::Update},
      {IDC_USE_KEYBOARD_HOOK, &Settings::UseKeyboardHook},
      {IDC_PREPARE_BOX, &Settings::PrepareSearchBox},
      {IDC_REMEMBER_LAST_ENGINE, &Settings::RememberLastSearchEngine},
      {IDC_USE_DEFAULT_ENGINE, &Settings::SetDefaultSearchEngine},
      {IDC_RECORD_WORDS, &Settings::RecordSearchWords},
      {IDC_SHOW_LAST_WORDS, &Settings::ShowLastSearchWords},
  };
  for (Flag& flag : flags) {
    flag.before = (s.*flag.read)();
    EXPECT_EQ(Checked(flag.id), flag.before) << flag.id;
    Click(flag.id);
    EXPECT_NE(Checked(flag.id), flag.before) << flag.id;
  }
  Choose(IDC_KEYSTROKE, 4);
  Choose(IDC_DESIGN, 0);
  Choose(IDC_OPACITY, 3);  // "60%"
  Click(IDOK);
  EXPECT_EQ(Ended(), 1u);
  for (const Flag& flag : flags) EXPECT_NE((s.*flag.read)(), flag.before) << flag.id;
  EXPECT_EQ(s.KeyStroke(), 4);
  EXPECT_EQ(s.KeyStrokeMonthly(), 4);
  EXPECT_EQ(s.SearchBoxDesign(), 0);
  EXPECT_EQ(s.SearchBoxTransparency(), 60);
  EXPECT_EQ(s.DefaultSearchEngine(), kDefaultEngine);
  EXPECT_EQ(s.Configure(), 1);
}

TEST_F(SettingsDialogE2eTest, CancelWritesNothingButAClearedHistoryStaysCleared) {
  SaveHistory(registry_, {u"ブリムレット"}, {std::u16string(kDefaultEngine)});
  Open();
  Click(IDC_LARGE_BOX);
  Choose(IDC_KEYSTROKE, 5);
  {
    testing::MessageBoxAnswerer yes(kTitle, IDYES);
    ::PostMessageW(dialog_, WM_COMMAND, MAKEWPARAM(IDC_CLEAR_HISTORY, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Item(IDC_CLEAR_HISTORY)));
    for (int i = 0; i < 100 && yes.answered() == 0; ++i) ::Sleep(50);
    EXPECT_EQ(yes.answered(), 1);
  }
  Click(IDCANCEL);
  EXPECT_EQ(Ended(), 1u);
  EXPECT_TRUE(LoadHistory(registry_).words.empty());
  EXPECT_EQ(ValueNames(), (std::set<std::wstring>{L"Configure", L"ConfigureMonthly"}));
}

TEST_F(SettingsDialogE2eTest, ControlsFollowTheSettingsTheyDependOn) {
  settings_.SetRememberLastSearchEngine(false);
  settings_.SetSetDefaultSearchEngine(true);
  settings_.SetRecordSearchWords(true);
  settings_.SetShowLastSearchWords(true);
  settings_.SetSearchBoxDesign(1);
  settings_.SetSnapSearchBox(true);
  settings_.SetUseKeyboardHook(true);
  Open();
  EXPECT_TRUE(::IsWindowVisible(Item(IDC_DEFAULT_ENGINE_TOOLBAR)));
  Click(IDC_REMEMBER_LAST_ENGINE);
  EXPECT_FALSE(Enabled(IDC_USE_DEFAULT_ENGINE));
  EXPECT_FALSE(::IsWindowVisible(Item(IDC_DEFAULT_ENGINE_TOOLBAR)));
  EXPECT_TRUE(Checked(IDC_USE_DEFAULT_ENGINE));

  Click(IDC_RECORD_WORDS);
  EXPECT_FALSE(Enabled(IDC_SHOW_LAST_WORDS));
  EXPECT_TRUE(Checked(IDC_SHOW_LAST_WORDS));

  EXPECT_TRUE(Enabled(IDC_SNAP));
  Choose(IDC_DESIGN, 0);
  EXPECT_FALSE(Enabled(IDC_SNAP));

  Click(IDC_USE_KEYBOARD_HOOK);
  EXPECT_FALSE(Enabled(IDC_KEYSTROKE));
  EXPECT_FALSE(Enabled(IDC_CHOOSE_COLOR));
  Click(IDC_CUSTOM_WORDS_COLOR);
  EXPECT_TRUE(Enabled(IDC_CHOOSE_COLOR));

  Click(IDOK);
  EXPECT_EQ(Ended(), 1u);
  EXPECT_TRUE(settings_.ShowLastSearchWords());  // disabled, yet kept
  EXPECT_TRUE(settings_.SnapSearchBox());
  EXPECT_TRUE(settings_.SetDefaultSearchEngine());
}

TEST_F(SettingsDialogE2eTest, ASecondConfigBringsTheOpenDialogForward) {
  Open();
  const testing::ProcessResult second =
      testing::RunProcess(L"\"" + testing::GadgetFolder() + L"Brimlet.exe\" /config");
  ASSERT_TRUE(second.ran);
  EXPECT_EQ(second.exitCode, 0u);
  EXPECT_EQ(::GetForegroundWindow(), dialog_);
  Click(IDCANCEL);
  EXPECT_EQ(Ended(), 1u);
  EXPECT_EQ(settings_.Configure(), 1);  // the second start opened nothing
}

}  // namespace
}  // namespace brimlet
