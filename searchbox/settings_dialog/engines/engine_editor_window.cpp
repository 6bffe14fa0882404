#include "engine_editor_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>

#include <string>

#include "../../../resources/engine_editor_ids.h"
#include "box_shell.h"
#include "engine_file.h"
#include "search_url.h"
#include "win32/trace.h"
#include "win32/ui_text.h"
#include "win32/wide.h"
#include "win32/win32_codepage.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"

namespace brimlet::win32 {
namespace {

constexpr wchar_t kCaption[] = L"検索サービスの編集";
constexpr const char16_t* kEncodings[] = {u"utf-8", u"shift_jis", u"euc-jp"};
constexpr const wchar_t* kEncodingNames[] = {L"UTF-8", L"Shift_JIS", L"EUC-JP"};
// The word the test button searches for.
constexpr std::u16string_view kSampleWords = u"東京";

std::wstring ItemText(HWND item) {
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::u16string NewGuid() {
  GUID guid{};
  if (FAILED(::CoCreateGuid(&guid))) return {};
  wchar_t text[40] = {};
  if (::StringFromGUID2(guid, text, 40) == 0) return {};
  return FromWide(text);  // {8-4-4-4-12}, upper-case hexadecimal
}

// The form: one service (or a catalogue engine's keyword), refusals beside their fields.
class EngineFormWindow final : public Dialog {
 public:
  EngineFormWindow(const EngineEditor& editor, std::optional<size_t> row, UserEngine engine)
      : editor_(editor), row_(row), engine_(std::move(engine)) {}
  const UserEngine& Engine() const noexcept { return engine_; }

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) noexcept override {
    if (message == WM_INITDIALOG) {
      OnInitDialog();
      result = TRUE;
      return true;
    }
    if (message != WM_COMMAND) return false;
    switch (LOWORD(wParam)) {
      case IDOK:
        if (Read(true)) ::EndDialog(hwnd(), IDOK);
        return true;
      case IDCANCEL:
        ::EndDialog(hwnd(), IDCANCEL);
        return true;
      case IDC_FORM_TEST:
        OnTest();
        return true;
      default:
        return false;
    }
  }

 private:
  HWND Item(int id) const noexcept { return ::GetDlgItem(hwnd(), id); }
  bool Catalogue() const noexcept { return row_ && !editor_.IsUserService(*row_); }

  void OnInitDialog() noexcept {
    try {
      ::SetWindowTextW(Item(IDC_FORM_NAME), ToWide(engine_.name).c_str());
      ::SetWindowTextW(Item(IDC_FORM_URL), ToWide(engine_.url).c_str());
      ::SetWindowTextW(Item(IDC_FORM_KEYWORD), ToWide(engine_.keyword).c_str());
      HWND encoding = Item(IDC_FORM_ENCODING);
      int selected = 0;
      for (int i = 0; i < 3; ++i) {
        ::SendMessageW(encoding, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kEncodingNames[i]));
        if (engine_.encoding == kEncodings[i]) selected = i;
      }
      ::SendMessageW(encoding, CB_SETCURSEL, selected, 0);
      ::SendMessageW(Item(IDC_FORM_KEYWORD), EM_LIMITTEXT, kMaxKeywordLength, 0);
      if (Catalogue()) {
        // A catalogue engine: only its keyword is the user's.
        for (int id : {IDC_FORM_NAME, IDC_FORM_URL, IDC_FORM_ENCODING, IDC_FORM_TEST}) {
          ::EnableWindow(Item(id), FALSE);
        }
        ::SetFocus(Item(IDC_FORM_KEYWORD));
      }
    }
    BRIMLET_CATCH_LOG()
  }

  // Takes the fields; with `show`, a refusal is written beside its field, which gets the focus.
  bool Read(bool show) noexcept {
    try {
      UserEngine form = engine_;
      form.name = FromWide(ItemText(Item(IDC_FORM_NAME)));
      form.url = NormaliseUrlTemplate(FromWide(ItemText(Item(IDC_FORM_URL))));
      form.keyword = FromWide(ItemText(Item(IDC_FORM_KEYWORD)));
      const LRESULT encoding = ::SendMessageW(Item(IDC_FORM_ENCODING), CB_GETCURSEL, 0, 0);
      form.encoding = kEncodings[encoding >= 0 && encoding < 3 ? encoding : 0];
      const auto refusal = editor_.Check(form, row_);
      if (show) {
        for (int id : {IDC_FORM_NAME_ERROR, IDC_FORM_URL_ERROR, IDC_FORM_KEYWORD_ERROR}) {
          ::SetWindowTextW(Item(id), L"");
        }
        if (refusal) {
          const bool name = refusal->field == EngineField::kName;
          const bool url = refusal->field == EngineField::kUrl;
          const int error = name ? IDC_FORM_NAME_ERROR : url ? IDC_FORM_URL_ERROR : IDC_FORM_KEYWORD_ERROR;
          const int field = name ? IDC_FORM_NAME : url ? IDC_FORM_URL : IDC_FORM_KEYWORD;
          ::SetWindowTextW(Item(error), ToWide(refusal->message).c_str());
          ::SetFocus(Item(field));
          ::SendMessageW(Item(field), EM_SETSEL, 0, -1);
        }
      }
      if (refusal) return false;
      engine_ = std::move(form);
      return true;
    }
    BRIMLET_CATCH_RETURN_VALUE(false)
  }

  void OnTest() noexcept {
    try {
      if (!Read(true)) return;
      const auto codePage = UserServiceCodePage(engine_.encoding);
      if (!codePage) return;
      const Win32CodePageConverter converter;
      OpenWebAddress(hwnd(), FillUrlTemplate(converter, engine_.url, *codePage, kSampleWords));
    }
    BRIMLET_CATCH_LOG()
  }

  const EngineEditor& editor_;
  std::optional<size_t> row_;
  UserEngine engine_;
};

std::wstring FileDialogFilter() {
  std::wstring filter = L"検索サービス (*.xml)";
  filter += L'\0';
  filter += L"*.xml";
  filter += L'\0';
  filter += L"すべてのファイル (*.*)";
  filter += L'\0';
  filter += L"*.*";
  filter += L'\0';
  return filter;
}

}  // namespace

EngineEditorWindow::EngineEditorWindow(HINSTANCE module, IRegistry& registry,
                                       const SearchEngineList* catalogue)
    : module_(module),
      registry_(registry),
      catalogue_(catalogue),
      editor_(catalogue, ReadEngineCustomisation(registry, catalogue).accepted) {}

INT_PTR EngineEditorWindow::Run(HWND owner) noexcept {
  return RunModal(module_, IDD_ENGINE_EDITOR, owner);
}

bool EngineEditorWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                       INT_PTR& result) noexcept {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      result = TRUE;
      return true;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom != IDC_ENGINE_LIST) return false;
      if (header->code == LVN_ITEMCHANGED) UpdateButtons();
      if (header->code == NM_DBLCLK) OnEdit(Selected());
      return false;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: OnOk(); return true;
        case IDCANCEL: ::EndDialog(hwnd(), IDCANCEL); return true;
        case IDC_ENGINE_ADD: OnEdit(std::nullopt); return true;
        case IDC_ENGINE_EDIT:
          if (const auto row = Selected()) OnEdit(row);
          return true;
        case IDC_ENGINE_REMOVE:
          if (const auto row = Selected(); row && editor_.Remove(*row)) {
            Fill(*row < editor_.Count() ? *row : editor_.Count() - 1);
          }
          return true;
        case IDC_ENGINE_UP: OnMove(true); return true;
        case IDC_ENGINE_DOWN: OnMove(false); return true;
        case IDC_ENGINE_IMPORT: OnImport(); return true;
        case IDC_ENGINE_EXPORT: OnExport(); return true;
        default: return false;
      }
    default:
      return false;
  }
}

void EngineEditorWindow::OnInitDialog() noexcept {
  HWND list = Item(IDC_ENGINE_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  RECT rc{};
  ::GetClientRect(list, &rc);
  const int width = rc.right - rc.left - ::GetSystemMetrics(SM_CXVSCROLL);
  const struct {
    const wchar_t* title;
    int share;  // of 20
  } columns[] = {{L"名前", 7}, {L"キーワード", 5}, {L"URL", 8}};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(columns[i].title);
    column.cx = width * columns[i].share / 20;
    ListView_InsertColumn(list, i, &column);
  }
  Fill(editor_.Count() > 0 ? std::optional<size_t>(0) : std::nullopt);
}

void EngineEditorWindow::Fill(std::optional<size_t> select) noexcept {
  try {
    HWND list = Item(IDC_ENGINE_LIST);
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < editor_.Count(); ++i) {
      const EngineEditor::Row row = editor_.RowAt(i);
      std::wstring name = ToWide(row.name);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = name.data();
      ListView_InsertItem(list, &item);
      std::wstring keyword = ToWide(row.keyword);
      ListView_SetItemText(list, static_cast<int>(i), 1, keyword.data());
      std::wstring url = row.userService ? ToWide(row.url) : std::wstring(L"(カタログ)");
      ListView_SetItemText(list, static_cast<int>(i), 2, url.data());
    }
    if (select && *select < editor_.Count()) {
      const int index = static_cast<int>(*select);
      ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      ListView_EnsureVisible(list, index, FALSE);
    }
  }
  BRIMLET_CATCH_LOG()
  UpdateButtons();
}

std::optional<size_t> EngineEditorWindow::Selected() const noexcept {
  const int index = ListView_GetNextItem(Item(IDC_ENGINE_LIST), -1, LVNI_SELECTED);
  if (index < 0) return std::nullopt;
  return static_cast<size_t>(index);
}

void EngineEditorWindow::UpdateButtons() noexcept {
  const auto row = Selected();
  const bool service = row && editor_.IsUserService(*row);
  ::EnableWindow(Item(IDC_ENGINE_EDIT), row.has_value());
  ::EnableWindow(Item(IDC_ENGINE_REMOVE), service);
  ::EnableWindow(Item(IDC_ENGINE_UP), service && editor_.IsUserService(*row - 1));
  ::EnableWindow(Item(IDC_ENGINE_DOWN), service && editor_.IsUserService(*row + 1));
}

void EngineEditorWindow::OnEdit(std::optional<size_t> row) noexcept {
  try {
    UserEngine engine = row ? editor_.EngineAt(*row) : UserEngine{};
    EngineFormWindow form(editor_, row, std::move(engine));
    if (form.RunModal(module_, IDD_ENGINE_FORM, hwnd()) != IDOK) return;
    UserEngine taken = form.Engine();
    if (!row) taken.guid = NewGuid();
    if (taken.guid.empty()) return;
    if (const auto placed = editor_.Apply(std::move(taken), row)) Fill(placed);
  }
  BRIMLET_CATCH_LOG()
  ::SetFocus(Item(IDC_ENGINE_LIST));
}

void EngineEditorWindow::OnMove(bool up) noexcept {
  const auto row = Selected();
  if (!row) return;
  if (const auto moved = editor_.Move(*row, up)) Fill(moved);
  ::SetFocus(Item(IDC_ENGINE_LIST));
}

void EngineEditorWindow::OnImport() noexcept {
  try {
    wchar_t path[MAX_PATH] = {};
    const std::wstring filter = FileDialogFilter();
    OPENFILENAMEW open{sizeof(open)};
    open.hwndOwner = hwnd();
    open.lpstrFilter = filter.c_str();
    open.lpstrFile = path;
    open.nMaxFile = MAX_PATH;
    open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!::GetOpenFileNameW(&open)) return;
    const Win32FileSystem files;
    const Win32XmlParser parser;
    const auto bytes = files.ReadFile(FromWide(path), kMaxEngineFileBytes);
    EngineFileRead read;
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!bytes) {
      const bool large = ::GetFileAttributesExW(path, GetFileExInfoStandard, &attributes) &&
                         (attributes.nFileSizeHigh != 0 || attributes.nFileSizeLow > kMaxEngineFileBytes);
      read.refusal = large ? EngineFileRefusal::kTooLarge : EngineFileRefusal::kNotReadable;
    } else {
      read = ReadEngineFile(parser, *bytes);
    }
    const wchar_t* refusal = nullptr;
    switch (read.refusal) {
      case EngineFileRefusal::kTooLarge: refusal = L"ファイルが大きすぎます (256 KB まで)。"; break;
      case EngineFileRefusal::kNotReadable: refusal = L"このファイルは読み込めません。"; break;
      case EngineFileRefusal::kNothingUsable:
        refusal = L"このファイルには使える検索サービスがありません。";
        break;
      case EngineFileRefusal::kNone: break;
    }
    if (refusal != nullptr) {
      ShowMessageBox(hwnd(), refusal, kCaption, MB_OK | MB_ICONWARNING);
      return;
    }
    const EngineFileMerge merge =
        MergeEngineFile(editor_.MutableCustomisation(), read.found, catalogue_, NewGuid);
    Fill(editor_.Count() > 0 ? std::optional<size_t>(editor_.Count() - 1) : std::nullopt);
    const std::wstring done = std::to_wstring(merge.added) + L" 件の検索サービスを追加しました (" +
                              std::to_wstring(merge.skipped) + L" 件は登録済みのため省きました)。";
    ShowMessageBox(hwnd(), done, kCaption, MB_OK | MB_ICONINFORMATION);
  }
  BRIMLET_CATCH_LOG()
}

void EngineEditorWindow::OnExport() noexcept {
  try {
    wchar_t path[MAX_PATH] = L"search_services.xml";
    const std::wstring filter = FileDialogFilter();
    OPENFILENAMEW save{sizeof(save)};
    save.hwndOwner = hwnd();
    save.lpstrFilter = filter.c_str();
    save.lpstrFile = path;
    save.nMaxFile = MAX_PATH;
    save.lpstrDefExt = L"xml";
    save.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!::GetSaveFileNameW(&save)) return;
    const std::string text = WriteEngineFile(editor_.Customisation());
    Win32FileSystem files;
    if (!files.WriteFile(FromWide(path), std::span(reinterpret_cast<const std::byte*>(text.data()),
                                                   text.size()))) {
      ShowMessageBox(hwnd(), L"ファイルを書き込めませんでした。", kCaption, MB_OK | MB_ICONWARNING);
    }
  }
  BRIMLET_CATCH_LOG()
}

void EngineEditorWindow::OnOk() noexcept {
  try {
    if (!WriteEngineCustomisation(registry_, editor_.Customisation())) {
      Trace(u"Brimlet: writing the search services failed");
    }
  }
  BRIMLET_CATCH_LOG()
  ::EndDialog(hwnd(), IDOK);
}

}  // namespace brimlet::win32
