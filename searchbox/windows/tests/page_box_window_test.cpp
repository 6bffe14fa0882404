// The page-based box's window in this test process (the program's resources are linked in,
// the skin is copied beside the test program). Wine has no HTML engine, so the page never
// loads here: the tests play the page's part through the box's script object.
#include <gtest/gtest.h>

#include <windows.h>
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "catalogue_reader.h"
#include "classic_box_test_support.h"
#include "search_history.h"
#include "page_box_window.h"
#include "placement.h"
#include "settings_win32.h"
#include "suggest_server_client.h"
#include "testing/recording_function.h"
#include "testing/win32_test_support.h"
#include "win32/wide.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"
#include "window_shape_win32.h"

namespace brimlet::win32 {
namespace {

using testing::RecordingFunction;

// Runs the box's loop until its quit message or the time is up; true on the quit message.
bool RunUntilQuit(MessageLoop& loop, DWORD timeoutMs) {
  const UINT_PTR timer = ::SetTimer(nullptr, 0, timeoutMs, nullptr);
  struct Deadline final : IMessageFilter {
    UINT_PTR timer;
    bool expired = false;
    bool PreTranslateMessage(MSG& msg) noexcept override {
      if (msg.message != WM_TIMER || msg.wParam != timer) return false;
      expired = true;
      ::PostQuitMessage(0);
      return true;
    }
  } deadline;
  deadline.timer = timer;
  loop.AddFilter(&deadline);
  loop.Run();
  loop.RemoveFilter(&deadline);
  ::KillTimer(nullptr, timer);
  return !deadline.expired;
}

// Runs what is queued; a quit message stays for the loop that waits for it.
void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// What the browser's script engine passes: a call is a method call or a property read, an
// assignment of a function to an event property a put or a put by reference.
constexpr WORD kScriptCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
constexpr WORD kScriptAssignment = DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;

// Calls a member of the script object by name, as the page's script does.
HRESULT CallMember(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args = {},
                   WORD kind = kScriptCall, VARIANT* result = nullptr) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  VARIANT ignored;
  ::VariantInit(&ignored);
  if (kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &put;
    params.cNamedArgs = 1;
  } else if (result == nullptr) {
    result = &ignored;  // the engine always asks for a result
  }
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result, nullptr, nullptr);
  ::VariantClear(&ignored);
  return hr;
}

VARIANT Function(IUnknown* object) {
  IDispatch* function = nullptr;
  if (object != nullptr) {
    object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&function));
    if (function != nullptr) function->Release();  // the caller keeps the object alive
  }
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = function;
  return v;
}

VARIANT Bool(bool value) {
  VARIANT v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

VARIANT Text(const wchar_t* text) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = ::SysAllocString(text);
  return v;
}

// A by-reference argument, as the browser passes addresses and Cancel; the value lives in
// the holder.
VARIANT ByRef(VARIANT& value) {
  VARIANT v;
  v.vt = VT_BYREF | VT_VARIANT;
  v.pvarVal = &value;
  return v;
}

VARIANT BoolRef(VARIANT_BOOL& value) {
  VARIANT v;
  v.vt = VT_BYREF | VT_BOOL;
  v.pboolVal = &value;
  return v;
}

VARIANT DispatchRef(IDispatch** value) {
  VARIANT v;
  v.vt = VT_BYREF | VT_DISPATCH;
  v.ppdispVal = value;
  return v;
}

// Raises one of the browser's events on every listener connected to the control, as the
// control does; `args` in declaration order.
void RaiseBrowserEvent(IWebBrowser2* browser, DISPID id, std::vector<VARIANT> args) {
  ASSERT_NE(browser, nullptr);
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(browser->QueryInterface(IID_IConnectionPointContainer, container.put_void()), S_OK);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.put()), S_OK);
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  CONNECTDATA data{};
  ULONG fetched = 0;
  int listeners = 0;
  while (connections->Next(1, &data, &fetched) == S_OK) {
    // Wine's enumerator hands the listeners out without a reference of their own: releasing
    // one here would free the box's listener (on Windows the reference merely stays).
    ComPtr<IDispatch> sink;
    data.pUnk->QueryInterface(IID_IDispatch, sink.put_void());
    if (!sink) continue;
    ++listeners;
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                 nullptr);
  }
  EXPECT_GT(listeners, 0) << "nobody listens to the browser";
}

// The control's document host, as the control reaches it through its client site.
template <typename Interface>
ComPtr<Interface> HostSite(IWebBrowser2* browser, REFIID iid) {
  ComPtr<IOleObject> control;
  ComPtr<IOleClientSite> site;
  ComPtr<Interface> host;
  if (browser != nullptr &&
      SUCCEEDED(browser->QueryInterface(IID_IOleObject, control.put_void())) &&
      SUCCEEDED(control->GetClientSite(site.put())) && site) {
    site->QueryInterface(iid, host.put_void());
  }
  return host;
}

// The cancel flag a listener set for a navigation of the control to `url`.
VARIANT_BOOL NavigationCancelled(IWebBrowser2* browser, const wchar_t* url) {
  VARIANT address = Text(url);
  VARIANT empty;
  ::VariantInit(&empty);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  RaiseBrowserEvent(browser, DISPID_BEFORENAVIGATE2,
                    {Function(browser), ByRef(address), ByRef(empty), ByRef(empty), ByRef(empty),
                     ByRef(empty), BoolRef(cancel)});
  ::VariantClear(&address);
  return cancel;
}

std::string ServerPort() {
  std::string port = testing::ReadTextFile(testing::BuildRoot() + L"tests\\notice_server\\port");
  while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
  return port;
}

class PageBoxWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    settings_.SetUpdate(false);
    settings_.SetRunOnce(true);
    settings_.SetHideAtInactivate(true);
    ::OleInitialize(nullptr);
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplus_, &input, nullptr);
    // The box finds its skin beside the running program, as the installation lays it out.
    for (const wchar_t* name : {L"background.png", L"large\\background.png"}) {
      ASSERT_TRUE(testing::CopyFileCreatingFolders(std::wstring(BRIMLET_SKIN_SOURCE) + name,
                                                   SkinFolderW() + name));
    }
    const Win32FileSystem files;
    const Win32XmlParser parser;
    catalogue_ = LoadCatalogue(files, parser, u"", BRIMLET_PAGE_BOX_TEST_DATA);
    ASSERT_TRUE(catalogue_);
    ::DeleteFileW((recorder_ + L".log").c_str());
    ASSERT_TRUE(testing::CopyFileCreatingFolders(
        testing::BuildRoot() + L"tests\\stand_in_recorder.exe", recorder_));
  }
  std::string Log(const std::wstring& program, DWORD waitMs) const {
    std::string text;
    for (DWORD waited = 0; waited <= waitMs && text.empty(); waited += 50) {
      text = testing::ReadTextFile(program + L".log");
      if (text.empty()) ::Sleep(50);
    }
    return text;
  }
  void TearDown() override {
    registry_.DeleteTree(RegistryRoot::kCurrentUser, kSettingsKey);
    Gdiplus::GdiplusShutdown(gdiplus_);
    ::OleUninitialize();
  }
  static std::wstring SkinFolderW() { return testing::BuildRoot() + L"tests\\skin\\black\\"; }

  std::unique_ptr<SearchBoxWindowEx> MakeBox(PageShowTimeouts timeouts = {60'000, 60'000}) {
    auto box = std::make_unique<SearchBoxWindowEx>(::GetModuleHandleW(nullptr), loop_, settings_,
                                                   timeouts);
    box->SetCatalogue(catalogue_.get());
    loop_.AddFilter(box.get());
    return box;
  }
  void Forget(SearchBoxWindowEx& box) { loop_.RemoveFilter(&box); }

  Win32Registry registry_;
  Settings settings_{registry_};
  MessageLoop loop_;
  ULONG_PTR gdiplus_ = 0;
  std::unique_ptr<SearchEngineList> catalogue_;
  const std::wstring recorder_ = L"C:\\brimlet test\\browser\\recorder.exe";
};

TEST_F(PageBoxWindowTest, IsCreatedHiddenShapedLayeredAndTopmostWithTheBrowserInside) {
  settings_.SetSearchBoxTransparency(90);
  auto box = MakeBox();
  HWND window = box->Create();
  ASSERT_NE(window, nullptr);
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  EXPECT_STREQ(name, L"SearchBoxWindowEx");
  ::GetWindowTextW(window, name, 64);
  EXPECT_STREQ(name, L"ブリムレットボックス");
  EXPECT_FALSE(::IsWindowVisible(window));
  const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
  const LONG_PTR exStyle = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
  EXPECT_EQ(style & (WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION),
            WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
  EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED),
            WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED);
  EXPECT_NE(::GetClassLongPtrW(window, GCL_STYLE) & CS_DROPSHADOW, 0);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(::GetLayeredWindowAttributes(window, nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 229);

  // The window is the large skin's picture, shaped by its opaque pixels.
  const std::optional<WindowShape> shape =
      LoadWindowShape(FromWide(SkinFolderW()) + u"large\\background.png");
  ASSERT_TRUE(shape);
  RECT rect{};
  ::GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, shape->width);
  EXPECT_EQ(rect.bottom - rect.top, shape->height);
  HRGN region = ::CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(::GetWindowRgn(window, region), COMPLEXREGION);
  EXPECT_TRUE(::EqualRgn(region, static_cast<HRGN>(shape->region.get())));
  ::DeleteObject(region);
  // The browser control is in place inside the box.
  EXPECT_NE(::GetWindow(window, GW_CHILD), nullptr);
  ASSERT_NE(box->ScriptObject(), nullptr);

  ::DestroyWindow(window);
  EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
  Forget(*box);
}

TEST_F(PageBoxWindowTest, ThePageShowsTheBoxAndItsExitClosesItRememberingWhereItWas) {
  settings_.SetRunOnce(false);
  auto box = MakeBox();
  HWND window = box->Create();
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(CallMember(box->ScriptObject(), L"Init"), S_OK);
  EXPECT_TRUE(::IsWindowVisible(window));
  // What a user sees under Wine: the shaped, layered box with an empty browser inside.
  EXPECT_EQ(testing::RunUnixScript("mkdir -p '" BRIMLET_SCREENSHOT_DIR
                                   "' && import -window root '" BRIMLET_SCREENSHOT_DIR
                                   "/page-box-wine.png'",
                                   15'000,
                                   [] {
                                     Pump();
                                     ::Sleep(20);
                                   }),
            0);
  RECT rect{};
  ::GetWindowRect(window, &rect);
  ASSERT_EQ(CallMember(box->ScriptObject(), L"Exit"), S_OK);
  EXPECT_TRUE(::IsWindow(window));  // closed only after the script returns
  EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_FALSE(box->GaveUp());
  EXPECT_EQ(settings_.LastWindowPosLeft(), rect.left);
  EXPECT_EQ(settings_.LastWindowPosTop(), rect.top);
  EXPECT_TRUE(settings_.RunOnce());
  // A script still holding the object after the box is gone reaches nothing.
  EXPECT_TRUE(FAILED(CallMember(box->ScriptObject(), L"Init")));
  Forget(*box);
}

TEST_F(PageBoxWindowTest, MadeInAdvanceItsPageStartsHiddenAndTheOpeningShowsWhatIsStoredNow) {
  auto box = MakeBox();
  int ready = 0;
  box->DeferOpening([&] { ++ready; });
  HWND window = box->Create();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(::GetWindowTextLengthW(window), 0);  // no running box is found by its title
  ASSERT_EQ(CallMember(box->ScriptObject(), L"Init"), S_OK);
  EXPECT_EQ(ready, 1);
  EXPECT_FALSE(::IsWindowVisible(window));
  settings_.SetLastWindowPosLeft(123);
  settings_.SetLastWindowPosTop(45);
  settings_.SetRestoreLastWindowPos(true);
  box->OpenPrepared();
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_GT(::GetWindowTextLengthW(window), 0);
  RECT rect{};
  ::GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, 123);
  EXPECT_EQ(rect.top, 45);
  ASSERT_EQ(CallMember(box->ScriptObject(), L"Exit"), S_OK);
  EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
  EXPECT_FALSE(box->GaveUp());
  Forget(*box);
}

TEST_F(PageBoxWindowTest, ABoxThatItsPageNeverShowsGivesUpInsteadOfHidingForever) {
  settings_.SetRunOnce(false);
  // As under Wine, the browser never completes its first document: the long wait ends it.
  auto box = MakeBox({60'000, 300});
  HWND window = box->Create();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(RunUntilQuit(loop_, 10'000));
  EXPECT_TRUE(box->GaveUp());
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_FALSE(settings_.RunOnce());  // a box nobody saw has not used up the first run
  Forget(*box);
}

TEST_F(PageBoxWindowTest, TheShortWaitCountsFromTheBrowsersFirstDocument) {
  struct Case {
    const char* name;
    PageShowTimeouts timeouts;
    bool givesUp;  // within the second the test waits
  };
  for (const Case& c : {Case{"a slow first document is waited for", {60'000, 300}, false},
                        Case{"then the page has its short while", {300, 60'000}, true}}) {
    SCOPED_TRACE(c.name);
    auto box = MakeBox(c.timeouts);
    HWND window = box->Create();
    ASSERT_NE(window, nullptr);
    // The control completes about:blank, as a working engine does.
    VARIANT blank = Text(L"about:blank");
    RaiseBrowserEvent(box->Browser().get(), DISPID_DOCUMENTCOMPLETE,
                      {Function(box->Browser().get()), ByRef(blank)});
    ::VariantClear(&blank);
    EXPECT_EQ(RunUntilQuit(loop_, 1'000), c.givesUp);
    EXPECT_EQ(box->GaveUp(), c.givesUp);
    if (::IsWindow(window)) {
      ::DestroyWindow(window);
      EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
    }
    Forget(*box);
  }
}

TEST_F(PageBoxWindowTest, WithoutItsSkinPictureNoBoxIsMade) {
  settings_.SetUseLargeSearchBox(false);
  ASSERT_TRUE(::DeleteFileW((SkinFolderW() + L"background.png").c_str()));
  auto box = MakeBox();
  EXPECT_EQ(box->Create(), nullptr);
  Pump();
  Forget(*box);
}

TEST_F(PageBoxWindowTest, LosingActivationClosesItUnlessPinnedOrOnTheFirstRun) {
  HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                 nullptr, nullptr, nullptr, nullptr);
  struct Case {
    const char* name;
    bool runOnce;
    bool pin;
    bool closes;
  };
  for (const Case& c : {Case{"ordinary", true, false, true}, Case{"pinned", true, true, false},
                        Case{"first run", false, false, false}}) {
    SCOPED_TRACE(c.name);
    settings_.SetRunOnce(c.runOnce);
    auto box = MakeBox();
    HWND window = box->Create();
    ASSERT_NE(window, nullptr);
    CallMember(box->ScriptObject(), L"Init");
    if (c.pin) CallMember(box->ScriptObject(), L"SetShowAlways", {Bool(true)});
    ::SetForegroundWindow(window);
    Pump();
    ::SetForegroundWindow(other);
    Pump();
    EXPECT_EQ(!::IsWindow(window), c.closes);
    if (!c.runOnce) {
      // The first run's hint balloon, owned by the box.
      HWND hint = ::FindWindowW(L"tooltips_class32", nullptr);
      while (hint != nullptr && ::GetWindow(hint, GW_OWNER) != window) {
        hint = ::FindWindowExW(nullptr, hint, L"tooltips_class32", nullptr);
      }
      EXPECT_NE(hint, nullptr);
    }
    if (::IsWindow(window)) ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
    Forget(*box);
  }
  ::DestroyWindow(other);
}

TEST_F(PageBoxWindowTest, DraggingFollowsTheMouseAndSnapsToTheWorkAreaUnlessShiftInverts) {
  auto box = MakeBox();
  HWND window = box->Create();
  ASSERT_NE(window, nullptr);
  CallMember(box->ScriptObject(), L"Init");
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  auto dragBy = [&](int dx, int dy, bool shift) {
    CallMember(box->ScriptObject(), L"DoDragWindow");
    EXPECT_EQ(::GetCapture(), window);
    POINT cursor{};
    ::GetCursorPos(&cursor);  // where the drag started
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    POINT to{cursor.x + dx, cursor.y + dy};
    ::ScreenToClient(window, &to);
    ::SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(to.x, to.y));
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
    ::SendMessageW(window, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(::GetCapture(), nullptr);
    RECT after{};
    ::GetWindowRect(window, &after);
    return after;
  };
  settings_.SetSnapSearchBox(false);
  RECT start{};
  ::GetWindowRect(window, &start);
  RECT moved = dragBy(37, 23, false);
  EXPECT_EQ(moved.left, start.left + 37);
  EXPECT_EQ(moved.top, start.top + 23);

  // 10 pixels short of the work area's left edge: snapping pulls the box onto it.
  settings_.SetSnapSearchBox(true);
  moved = dragBy(work.left + 10 - moved.left, 0, false);
  EXPECT_EQ(moved.left, work.left);
  moved = dragBy(10, 0, true);  // Shift held: the box moves freely
  EXPECT_EQ(moved.left, work.left + 10);

  CallMember(box->ScriptObject(), L"Exit");
  EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
  Forget(*box);
}

TEST_F(PageBoxWindowTest, TheWheelAndAltDownRaiseThePagesEventsAndEscCloses) {
  std::vector<std::wstring> log;
  RecordingFunction rotate(L"rotate", log);
  RecordingFunction menu(L"menu", log);
  auto box = MakeBox();
  HWND window = box->Create();
  ASSERT_NE(window, nullptr);
  // Before the page assigns its handlers the events are dropped.
  ::SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
  ASSERT_EQ(CallMember(box->ScriptObject(), L"onRotateSearchService", {Function(&rotate)},
                       kScriptAssignment),
            S_OK);
  ASSERT_EQ(CallMember(box->ScriptObject(), L"onShowSearchServiceMenu", {Function(&menu)},
                       kScriptAssignment),
            S_OK);
  CallMember(box->ScriptObject(), L"Init");
  ::SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);           // toward user
  ::SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);            // away
  ::SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, -WHEEL_DELTA), 0);  // ignored
  // Alt+Down goes through the box's accelerators before any window sees it.
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_MENU] = 0x80;
  ::SetKeyboardState(keys);
  MSG altDown{window, WM_SYSKEYDOWN, VK_DOWN, 0x20000001};
  EXPECT_TRUE(box->PreTranslateMessage(altDown));
  keys[VK_MENU] = 0;
  ::SetKeyboardState(keys);
  EXPECT_EQ(log, (std::vector<std::wstring>{L"rotate:true", L"rotate:false", L"menu"}));

  MSG escape{window, WM_KEYDOWN, VK_ESCAPE, 0x00010001};
  EXPECT_TRUE(box->PreTranslateMessage(escape));
  EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
  EXPECT_FALSE(::IsWindow(window));
  Forget(*box);
  EXPECT_EQ(rotate.references(), 1u);  // released with the box
  EXPECT_EQ(menu.references(), 1u);
}

TEST_F(PageBoxWindowTest, EnginesStepWithWrappingAndASearchRecordsAndCounts) {
  settings_.SetRecordSearchWords(true);
  auto box = MakeBox();
  HWND window = box->Create();
  ASSERT_NE(window, nullptr);
  CallMember(box->ScriptObject(), L"Init");
  const ISearchEngineItem* first = box->CurrentEngine();
  ASSERT_NE(first, nullptr);
  ASSERT_GT(catalogue_->GetCount(), 1u);
  CallMember(box->ScriptObject(), L"ToggleSearchService", {Bool(false)});
  EXPECT_EQ(box->CurrentEngine()->GetGuid(),
            catalogue_->GetAt(catalogue_->GetCount() - 1)->GetGuid());  // wrapped to the last
  CallMember(box->ScriptObject(), L"RotateSearchService", {Bool(true)});
  EXPECT_EQ(box->CurrentEngine(), first);

  testing::ShellHandler https(L"https", L"\"" + recorder_ + L"\" \"%1\"");
  testing::ShellHandler http(L"http", L"\"" + recorder_ + L"\" \"%1\"");
  VARIANT words = Text(L"ブリムレット");
  settings_.SetSearch(4);
  ASSERT_EQ(CallMember(box->ScriptObject(), L"ExecuteSearch", {words}), S_OK);
  ::VariantClear(&words);
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_EQ(settings_.Search(), 5);
  EXPECT_EQ(NewestStoredWords(registry_), u"ブリムレット");
  EXPECT_NE(Log(recorder_, 10'000).find("\"http"), std::string::npos);
  CallMember(box->ScriptObject(), L"Exit");
  EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
  Forget(*box);
}

// The page asks for completions as its field grows (every 500 ms at most, like its poll);
// the box asks the service only for the words the field holds once it is quiet, and never
// with the setting off. (Wine shows no list: the page has no document here.)
TEST_F(PageBoxWindowTest, ThePagesCompletionRequestsAskTheServiceOnceTheFieldIsQuiet) {
  ASSERT_FALSE(testing::SuggestServerPort().empty()) << "the suggest server fixture did not run";
  const std::unique_ptr<SearchEngineList> suggesting = testing::SuggestingCatalogue("ok");
  for (const bool on : {true, false}) {
    SCOPED_TRACE(on ? "on" : "off");
    settings_.SetSearchSuggestions(on);
    auto box = MakeBox();
    box->SetCatalogue(suggesting.get());
    ASSERT_NE(box->Create(), nullptr);
    CallMember(box->ScriptObject(), L"Init");
    testing::SuggestServerText("/reset");
    for (const wchar_t* words : {L"to", L"tok", L"tokyo"}) {
      VARIANT text = Text(words);
      VARIANT none = Function(nullptr);
      VARIANT initial;
      ::VariantInit(&initial);
      VARIANT x{}, y{}, width{}, height{};
      x.vt = y.vt = width.vt = height.vt = VT_I4;
      width.lVal = 200;
      height.lVal = 20;
      EXPECT_TRUE(SUCCEEDED(CallMember(box->ScriptObject(), L"ShowAutoComplete",
                                       {x, y, width, height, text, none, none, none}, kScriptCall,
                                       &initial)));
      ::VariantClear(&initial);
      ::VariantClear(&text);
      RunUntilQuit(loop_, 100);
    }
    RunUntilQuit(loop_, 1'500);
    EXPECT_EQ(testing::SuggestServerText("/log"), on ? "ok tokyo\n" : "");
    CallMember(box->ScriptObject(), L"Exit");
    EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
    Forget(*box);
  }
}

TEST_F(PageBoxWindowTest, ANoticeFromTheServerReachesThePageOnItsThread) {
  const std::string port = ServerPort();
  ASSERT_FALSE(port.empty()) << "the notice server fixture did not run (notice_server.start)";
  auto setProduct = [this](std::u16string_view name, std::u16string_view text) {
    std::vector<std::byte> data((text.size() + 1) * 2);
    std::memcpy(data.data(), text.data(), text.size() * 2);
    registry_.SetValue(RegistryRoot::kLocalMachine, kProductKey, name, reg_type::kSz, data);
  };
  setProduct(u"Version", u"1.6.0.28");
  setProduct(u"Partner", u"ok");
  settings_.SetUpdate(true);
  std::vector<std::wstring> log;
  RecordingFunction notify(L"notify", log);
  auto box = MakeBox();
  box->SetNoticeHost(u"http://127.0.0.1:" + std::u16string(port.begin(), port.end()));
  HWND window = box->Create();
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(
      CallMember(box->ScriptObject(), L"onUpdateNotify", {Function(&notify)}, kScriptAssignment),
      S_OK);
  CallMember(box->ScriptObject(), L"Init");
  const DWORD start = ::GetTickCount();
  while (log.empty() && ::GetTickCount() - start < 20'000) {
    Pump();
    ::Sleep(20);
  }
  EXPECT_EQ(log, (std::vector<std::wstring>{
                     L"notify:新しいバージョンがあります:ブリムレットボックス 1.7 を公開しました:"
                     L"http://127.0.0.1/brimlet/new.html"}));
  EXPECT_EQ(settings_.NotifyCount(), 1);
  CallMember(box->ScriptObject(), L"OnNotifyHandled");
  EXPECT_EQ(settings_.NotifyCount(), 3);
  CallMember(box->ScriptObject(), L"Exit");
  EXPECT_TRUE(RunUntilQuit(loop_, 15'000));
  Forget(*box);
  registry_.DeleteTree(RegistryRoot::kLocalMachine, kProductKey);
}

TEST_F(PageBoxWindowTest, TheFocusGoesIntoThePageWheneverTheBoxGetsIt) {
  HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                 nullptr, nullptr, nullptr, nullptr);
  auto box = MakeBox();
  HWND window = box->Create();
  ASSERT_NE(window, nullptr);
  CallMember(box->ScriptObject(), L"Init");
  CallMember(box->ScriptObject(), L"SetShowAlways", {Bool(true)});  // pinned: Alt+Tab away
  const auto inThePage = [&] {
    HWND focus = ::GetFocus();
    return focus != nullptr && focus != window && ::IsChild(window, focus);
  };
  // The completion list hands the focus back to the box window; so does an activation (a
  // second summon, Alt+Tab back to a pinned box).
  ::SetForegroundWindow(window);
  Pump();
  const struct {
    const char* name;
    std::function<void()> act;
  } paths[] = {
      {"the box window takes the focus", [&] { ::SetFocus(window); }},
      {"the completion list is hidden",
       [&] {
         ::SetFocus(window);
         CallMember(box->ScriptObject(), L"HideAutoComplete");
       }},
      {"activated again",
       [&] {
         // The X server's focus events come back asynchronously: wait for each change.
         const auto activate = [](HWND target) {
           ::SetForegroundWindow(target);
           for (int i = 0; i < 100 && ::GetForegroundWindow() != target; ++i) {
             Pump();
             ::Sleep(20);
           }
           EXPECT_EQ(::GetForegroundWindow(), target) << "the window was not activated";
         };
         activate(other);
         activate(window);
       }},
  };
  for (const auto& path : paths) {
    SCOPED_TRACE(path.name);
    path.act();
    Pump();
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_TRUE(inThePage()) << "the focus is on " << ::GetFocus();
  }
  CallMember(box->ScriptObject(), L"Exit");
  EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
  Forget(*box);
  ::DestroyWindow(other);
}

TEST_F(PageBoxWindowTest, ThePageIsLockedNavigationsNewWindowsDropsAndTheScriptObject) {
  testing::ShellHandler https(L"https", L"\"" + recorder_ + L"\" \"%1\"");
  testing::ShellHandler http(L"http", L"\"" + recorder_ + L"\" \"%1\"");
  auto box = MakeBox();
  HWND window = box->Create();
  ASSERT_NE(window, nullptr);
  ComPtr<IWebBrowser2> browser = box->Browser();
  ASSERT_TRUE(browser);

  // Before the page is asked for, only the box's own blank page loads.
  EXPECT_EQ(NavigationCancelled(browser.get(), L"about:blank"), VARIANT_FALSE);
  for (const wchar_t* url : {L"http://127.0.0.1:9/dropped.html", L"file:///C:/windows/win.ini",
                             L"javascript:alert(1)"}) {
    EXPECT_EQ(NavigationCancelled(browser.get(), url), VARIANT_TRUE) << url;
  }
  // The control itself raises the event for a navigation it is asked to make.
  {
    VARIANT empty;
    ::VariantInit(&empty);
    UniqueBstr elsewhere(::SysAllocString(L"http://127.0.0.1:9/elsewhere.html"));
    browser->Navigate(elsewhere.get(), &empty, &empty, &empty, &empty);
    Pump();
    UniqueBstr location;
    browser->get_LocationURL(location.put());
    EXPECT_EQ(std::wstring(location ? location.get() : L"").find(L"elsewhere"), std::wstring::npos);
  }

  // New windows never open; the notice link's address goes to the user's browser.
  CallMember(box->ScriptObject(), L"Init");
  box->Notices()->DeliverNotice(u"新しいバージョン", u"説明", u"http://127.0.0.1/brimlet/new.html");
  Pump();
  const auto newWindow = [&](const wchar_t* url) {
    IDispatch* opened = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT flags;
    flags.vt = VT_UI4;
    flags.ulVal = 0;
    VARIANT context = Text(L"");
    VARIANT address = Text(url);
    RaiseBrowserEvent(browser.get(), DISPID_NEWWINDOW3,
                      {DispatchRef(&opened), BoolRef(cancel), flags, context, address});
    ::VariantClear(&context);
    ::VariantClear(&address);
    return cancel;
  };
  EXPECT_EQ(newWindow(L"http://127.0.0.1:9/popup.html"), VARIANT_TRUE);
  EXPECT_EQ(Log(recorder_, 1'000), "") << "a window the page asked for was opened";
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_EQ(newWindow(L"http://127.0.0.1/brimlet/new.html"), VARIANT_TRUE);
  EXPECT_NE(Log(recorder_, 10'000).find("http://127.0.0.1/brimlet/new.html"), std::string::npos);
  EXPECT_FALSE(::IsWindowVisible(window));  // out of the way of the browser
  EXPECT_EQ(settings_.NotifyCount(), 3);

  // Nothing can be dropped on it: the host gives the document a target that takes nothing,
  // and no window of the box is a drop target of its own.
  ComPtr<IDocHostUIHandler> host =
      HostSite<IDocHostUIHandler>(browser.get(), IID_IDocHostUIHandler);
  ASSERT_TRUE(host);
  ComPtr<IDropTarget> target;
  ASSERT_EQ(host->GetDropTarget(nullptr, target.put()), S_OK);
  ASSERT_TRUE(target);
  for (DWORD offered : {DWORD{DROPEFFECT_COPY}, DWORD{DROPEFFECT_LINK | DROPEFFECT_MOVE}}) {
    DWORD effect = offered;
    EXPECT_EQ(target->DragEnter(nullptr, 0, POINTL{10, 10}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD{DROPEFFECT_NONE});
    effect = offered;
    EXPECT_EQ(target->Drop(nullptr, 0, POINTL{10, 10}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD{DROPEFFECT_NONE});
  }
  struct Probe final : IDropTarget {
    STDMETHODIMP QueryInterface(REFIID, void** out) override {
      *out = this;
      return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD*) override { return S_OK; }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject*, DWORD, POINTL, DWORD*) override { return S_OK; }
  } probe;
  std::vector<HWND> windows{window};
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  for (HWND each : windows) {
    const HRESULT hr = ::RegisterDragDrop(each, &probe);
    EXPECT_NE(hr, DRAGDROP_E_ALREADYREGISTERED) << "window " << each << " takes drops";
    if (SUCCEEDED(hr)) ::RevokeDragDrop(each);
  }

  // The script object is the box page's alone: the control shows no page here.
  IDispatch* external = box->ScriptObject();  // overwritten with the answer
  EXPECT_EQ(host->GetExternal(&external), S_FALSE);
  EXPECT_EQ(external, nullptr);

  // A script error is answered without a dialog, and the page's scripts run on.
  ComPtr<IOleCommandTarget> commands =
      HostSite<IOleCommandTarget>(browser.get(), IID_IOleCommandTarget);
  ASSERT_TRUE(commands);
  static constexpr GUID kDocHostCommandHandler = {
      0x3050F38C, 0x98B5, 0x11CF, {0xBB, 0x82, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x0B}};
  OLECMD command{OLECMDID_SHOWSCRIPTERROR, 0};
  EXPECT_EQ(commands->QueryStatus(&kDocHostCommandHandler, 1, &command, nullptr), S_OK);
  EXPECT_NE(command.cmdf & OLECMDF_SUPPORTED, 0u);
  VARIANT goOn;
  ::VariantInit(&goOn);
  EXPECT_EQ(commands->Exec(&kDocHostCommandHandler, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &goOn),
            S_OK);
  EXPECT_EQ(goOn.vt, VT_BOOL);
  EXPECT_EQ(goOn.boolVal, VARIANT_TRUE);
  EXPECT_EQ(commands->Exec(nullptr, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, nullptr),
            OLECMDERR_E_UNKNOWNGROUP);

  CallMember(box->ScriptObject(), L"Exit");
  EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
  Forget(*box);
}

// Run again at 144 and 192 DPI in prefixes of their own (page_box_window_tests_<dpi>dpi).
TEST_F(PageBoxWindowTest, AtTheScreensDpiTheBoxAndItsShapeAreScaledOntoTheWorkArea) {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  if (const char* expected = std::getenv("BRIMLET_TEST_DPI")) {
    ASSERT_EQ(dpi, std::atoi(expected)) << "the prefix does not have the DPI this run is for";
  }
  for (const bool large : {false, true}) {
    SCOPED_TRACE(large ? "large box" : "small box");
    settings_.SetUseLargeSearchBox(large);
    // Remembered on a monitor far to the right that is no longer there.
    settings_.SetRestoreLastWindowPos(true);
    settings_.SetLastWindowPosLeft(5000);
    settings_.SetLastWindowPosTop(100);
    const std::u16string picture =
        FromWide(SkinFolderW()) + (large ? u"large\\background.png" : u"background.png");
    const std::optional<WindowShape> original = LoadWindowShape(picture);
    ASSERT_TRUE(original);
    const int32_t width = ScaleForDpi(original->width, static_cast<uint32_t>(dpi));
    const int32_t height = ScaleForDpi(original->height, static_cast<uint32_t>(dpi));
    const std::optional<WindowShape> scaled =
        dpi == 96 ? LoadWindowShape(picture) : LoadScaledWindowShape(picture, width, height);
    ASSERT_TRUE(scaled);

    auto box = MakeBox();
    HWND window = box->Create();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(box->Dpi(), static_cast<uint32_t>(dpi));
    RECT rect{};
    ::GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(::GetWindowRgn(window, region), COMPLEXREGION);
    EXPECT_TRUE(::EqualRgn(region, static_cast<HRGN>(scaled->region.get())));
    ::DeleteObject(region);
    MONITORINFO monitor{sizeof(monitor)};
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor));
    RECT inside{};
    ::IntersectRect(&inside, &rect, &monitor.rcWork);
    EXPECT_TRUE(::EqualRect(&inside, &rect)) << "the box is not on the work area";
    EXPECT_EQ(rect.top, 100);  // moved only as far as it must

    CallMember(box->ScriptObject(), L"Init");
    const std::string shot = std::string(BRIMLET_SCREENSHOT_DIR "/page-box-wine-") +
                             (large ? "large-" : "") + std::to_string(dpi) + "dpi.png";
    EXPECT_EQ(
        testing::RunUnixScript(
            "mkdir -p '" BRIMLET_SCREENSHOT_DIR "' && import -window root '" + shot + "'", 15'000,
            [] {
              Pump();
              ::Sleep(20);
            }),
        0);
    CallMember(box->ScriptObject(), L"Exit");
    EXPECT_TRUE(RunUntilQuit(loop_, 5'000));
    Forget(*box);
  }
}

}  // namespace
}  // namespace brimlet::win32
