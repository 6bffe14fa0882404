// The search service editor in this test process (the program's resources are linked in),
// run on a thread of its own and driven control by control from the test's thread: what OK
// writes to the settings key, and that Cancel writes nothing.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "../../resources/engine_editor_ids.h"
#include "engine_editor_window.h"
#include "settings_rules.h"
#include "text/utf16.h"
#include "win32/win32_registry.h"

namespace brimlet::win32 {
namespace {

constexpr std::u16string_view kC1 = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30101}";

HWND WaitForDialog(const wchar_t* title) {
  for (int i = 0; i < 400; ++i) {
    if (HWND found = ::FindWindowW(L"#32770", title); found && ::IsWindowVisible(found)) {
      return found;
    }
    ::Sleep(25);
  }
  return nullptr;
}

bool WaitGone(HWND window) {
  for (int i = 0; i < 400 && ::IsWindow(window); ++i) ::Sleep(25);
  return !::IsWindow(window);
}

void Press(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::wstring Text(HWND dialog, int id) {
  wchar_t text[256] = {};
  ::GetWindowTextW(::GetDlgItem(dialog, id), text, 256);
  return text;
}

void Fill(HWND form, const wchar_t* name, const wchar_t* url, int encoding, const wchar_t* keyword) {
  ::SendMessageW(::GetDlgItem(form, IDC_FORM_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
  ::SendMessageW(::GetDlgItem(form, IDC_FORM_URL), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(url));
  ::SendMessageW(::GetDlgItem(form, IDC_FORM_ENCODING), CB_SETCURSEL, encoding, 0);
  ::SendMessageW(::GetDlgItem(form, IDC_FORM_KEYWORD), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(keyword));
}

void Select(HWND editor, int row) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(::GetDlgItem(editor, IDC_ENGINE_LIST), LVM_SETITEMSTATE, row,
                 reinterpret_cast<LPARAM>(&state));
}

class EngineEditorWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Clean();
    SearchEngineFields fields;
    fields.guid = kC1;
    fields.name = u"カタログ";
    fields.host = u"http://c.example";
    catalogue_.Add(std::make_unique<SearchEngineItem>(fields, nullptr));
  }
  void TearDown() override { Clean(); }
  void Clean() {
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kUserSearchEnginesKey);
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSearchEngineKeywordsKey);
  }

  // Runs the editor on its own thread; `drive` plays the user on this one.
  template <typename Drive>
  INT_PTR RunEditor(Drive drive) {
    std::atomic<INT_PTR> result{-1};
    std::thread ui([&] {
      EngineEditorWindow editor(::GetModuleHandleW(nullptr), registry_, &catalogue_);
      result = editor.Run(nullptr);
    });
    HWND editor = WaitForDialog(L"検索サービスの編集");
    if (editor != nullptr) drive(editor);
    if (editor == nullptr || !WaitGone(editor)) {
      ADD_FAILURE() << "the editor did not come up or did not close";
      if (editor) ::PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
    }
    ui.join();
    return result;
  }

  void AddService(HWND editor) {
    Press(editor, IDC_ENGINE_ADD);
    HWND form = WaitForDialog(L"検索サービス");
    ASSERT_NE(form, nullptr);
    // A keyword with a space is refused beside its field and the form stays.
    Fill(form, L"古書", L"http://kosho.example.jp/find?q=%s&x=1", 1, L"k k");
    Press(form, IDOK);
    for (int i = 0; i < 200 && Text(form, IDC_FORM_KEYWORD_ERROR).empty(); ++i) ::Sleep(10);
    EXPECT_EQ(Text(form, IDC_FORM_KEYWORD_ERROR), L"キーワードに空白は使えません");
    EXPECT_TRUE(::IsWindow(form));
    Fill(form, L"古書", L"http://kosho.example.jp/find?q=%s&x=1", 1, L"k");
    Press(form, IDOK);
    ASSERT_TRUE(WaitGone(form));
  }

  std::u16string Stored(std::u16string_view key, std::u16string_view name) const {
    const auto value = ReadRegistryValue(registry_, RegistryRoot::kCurrentUser, key, name);
    if (!value || value->type != reg_type::kSz) return u"<none>";
    std::u16string text(value->data.size() / 2, u'\0');
    std::memcpy(text.data(), value->data.data(), text.size() * 2);
    if (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
  }

  Win32Registry registry_;
  SearchEngineList catalogue_;
};

TEST_F(EngineEditorWindowTest, OkWritesTheServicesAndKeywordsInTheSettingsLayout) {
  const INT_PTR result = RunEditor([&](HWND editor) {
    AddService(editor);
    Select(editor, 0);  // the catalogue engine: only its keyword
    Press(editor, IDC_ENGINE_EDIT);
    HWND form = WaitForDialog(L"検索サービス");
    ASSERT_NE(form, nullptr);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(form, IDC_FORM_NAME)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(form, IDC_FORM_URL)));
    ::SendMessageW(::GetDlgItem(form, IDC_FORM_KEYWORD), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(L"ｗ"));
    Press(form, IDOK);
    ASSERT_TRUE(WaitGone(form));
    EXPECT_EQ(ListView_GetItemCount(::GetDlgItem(editor, IDC_ENGINE_LIST)), 2);
    Press(editor, IDOK);
  });
  EXPECT_EQ(result, IDOK);

  const auto guids = registry_.SubkeyNames(RegistryRoot::kCurrentUser, kUserSearchEnginesKey);
  ASSERT_EQ(guids.size(), 1u);
  EXPECT_TRUE(IsRegistryGuid(guids[0]));
  EXPECT_EQ(guids[0], ToUpperAscii(guids[0]));
  const std::u16string key = std::u16string(kUserSearchEnginesKey) + u"\\" + guids[0];
  EXPECT_EQ(Stored(key, u"Name"), u"古書");
  EXPECT_EQ(Stored(key, u"Url"), u"http://kosho.example.jp/find?q={searchTerms}&x=1");
  EXPECT_EQ(Stored(key, u"Encoding"), u"shift_jis");
  EXPECT_EQ(Stored(key, u"Keyword"), u"k");
  const auto order = ReadRegistryValue(registry_, RegistryRoot::kCurrentUser, key, u"Order");
  ASSERT_TRUE(order);
  EXPECT_EQ(order->type, reg_type::kDword);
  EXPECT_EQ(order->data.size(), 4u);
  auto names = registry_.ValueNames(RegistryRoot::kCurrentUser, key);
  EXPECT_EQ(names.size(), 5u);
  EXPECT_EQ(registry_.ValueNames(RegistryRoot::kCurrentUser, kSearchEngineKeywordsKey).size(), 1u);
  EXPECT_EQ(Stored(kSearchEngineKeywordsKey, kC1), u"ｗ");
}

TEST_F(EngineEditorWindowTest, CancelWritesNothing) {
  const INT_PTR result = RunEditor([&](HWND editor) {
    AddService(editor);
    Press(editor, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(registry_.KeyExists(RegistryRoot::kCurrentUser, kUserSearchEnginesKey));
  EXPECT_FALSE(registry_.KeyExists(RegistryRoot::kCurrentUser, kSearchEngineKeywordsKey));
}

}  // namespace
}  // namespace brimlet::win32
