// The Windows side of the settings: folders and the input method state, under Wine.
#include "settings_win32.h"

#include <gtest/gtest.h>

#include <imm.h>

#include "win32/unique_resource.h"
#include "win32/win32_registry.h"

namespace brimlet::win32 {
namespace {

TEST(SettingsWin32, FoldersEndWithABackslash) {
  const std::u16string data = DataFolder();
  EXPECT_TRUE(data.ends_with(u"\\Zelvo\\BrimletBox\\{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30001}\\"));
  EXPECT_EQ(data.find(u"\\\\"), std::u16string::npos);
  const std::u16string program = ProgramFolder();
  EXPECT_TRUE(program.ends_with(u"\\tests\\"));
}

TEST(SettingsWin32, DefaultColourIsTheSystemWindowTextColour) {
  Win32Registry registry;
  registry.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
  EXPECT_EQ(UserSettings().CustomSearchWordsColor(), ::GetSysColor(COLOR_WINDOWTEXT));
}

TEST(SettingsWin32, InputMethodStateIsSavedAndRestored) {
  Win32Registry registry;
  registry.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
  UniqueHWnd edit(::CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW, 0, 0, 200, 50, nullptr,
                                    nullptr, nullptr, nullptr));
  ASSERT_TRUE(edit);
  HIMC context = ::ImmGetContext(edit.get());
  if (context == nullptr) GTEST_SKIP() << "no input context for windows in this system";
  ::ImmSetOpenStatus(context, TRUE);
  ::ImmSetConversionStatus(context, IME_CMODE_NATIVE | IME_CMODE_FULLSHAPE,
                           IME_SMODE_PHRASEPREDICT);
  Settings& settings = UserSettings();
  ASSERT_TRUE(SaveImeState(edit.get(), settings));
  EXPECT_TRUE(settings.ImmOpenStatus());
  DWORD conversion = 0, sentence = 0;
  ::ImmGetConversionStatus(context, &conversion, &sentence);
  EXPECT_EQ(settings.ImmConversionMode(), static_cast<int32_t>(conversion));

  ::ImmSetOpenStatus(context, FALSE);
  ASSERT_TRUE(RestoreImeState(edit.get(), settings));
  EXPECT_TRUE(::ImmGetOpenStatus(context));
  ::ImmReleaseContext(edit.get(), context);
  registry.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
}

}  // namespace
}  // namespace brimlet::win32
