// The thin Win32 framework's cross-process rules, with real windows under Wine.
#include <gtest/gtest.h>

#include <fstream>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "framework_win32_test_ids.h"
#include "win32/com_object.h"
#include "win32/instance_finder.h"
#include "win32/message_loop.h"
#include "win32/result.h"
#include "win32/scoped_init.h"
#include "win32/unique_resource.h"
#include "win32/window.h"
#include "win32/window_helpers.h"

namespace brimlet::win32 {
namespace {

constexpr wchar_t kClassName[] = L"BrimletFrameworkTestWindow";

class PlainWindow final : public Window {
 public:
  HWND Make(const std::wstring& title) {
    RegisterClass(::GetModuleHandleW(nullptr), kClassName);
    return Create(::GetModuleHandleW(nullptr), kClassName, title.c_str(), WS_OVERLAPPEDWINDOW);
  }

 private:
  bool HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) noexcept override { return false; }
};

HWND WaitForMessageBox(const std::wstring& title) {
  for (int i = 0; i < 500; ++i) {
    if (HWND box = ::FindWindowW(L"#32770", title.c_str())) return box;
    ::Sleep(10);
  }
  return nullptr;
}

// The entry's message boxes carry the role titles; a second start must not take one of
// them for the running box or dialog.
TEST(InstanceFinder, TakesOnlyTheFrameworksWindowsNeverAMessageBox) {
  const std::wstring title = L"ブリムレット finder " + std::to_wstring(::GetCurrentProcessId());
  std::thread asker([&] { ::MessageBoxW(nullptr, L"?", title.c_str(), MB_OK); });
  HWND box = WaitForMessageBox(title);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(FindInstanceWindow({L"#32770", kClassName}, title), nullptr);

  PlainWindow window;
  ASSERT_NE(window.Make(title), nullptr);
  EXPECT_EQ(FindInstanceWindow({L"#32770", kClassName}, title), window.hwnd());
  ::DestroyWindow(window.hwnd());

  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  asker.join();
}

TEST(SendToInstance, GivesUpOnAWindowThatDoesNotAnswer) {
  HANDLE release = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND target = nullptr;
  HANDLE created = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    PlainWindow window;
    target = window.Make(L"busy");
    ::SetEvent(created);
    ::WaitForSingleObject(release, 20000);  // busy: no messages handled meanwhile
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    ::DestroyWindow(window.hwnd());
  });
  ::WaitForSingleObject(created, 5000);
  ASSERT_NE(target, nullptr);
  const DWORD start = ::GetTickCount();
  EXPECT_FALSE(SendToInstance(target, WM_NULL, 0, 0, 300));
  EXPECT_LT(::GetTickCount() - start, 5000u);
  ::SetEvent(release);
  EXPECT_TRUE(SendToInstance(target, WM_NULL, 0, 0, 5000));
  ::PostThreadMessageW(::GetWindowThreadProcessId(target, nullptr), WM_QUIT, 0, 0);
  owner.join();
  ::CloseHandle(release);
  ::CloseHandle(created);
}

// OleInitialize is ended by OleUninitialize: then the next start is a first start again.
TEST(ScopedOle, EndsWhatItStarted) {
  {
    const ScopedOle ole;
    ASSERT_EQ(ole.result(), S_OK);
  }
  const ScopedOle again;
  EXPECT_EQ(again.result(), S_OK);
}

// --- Traces, read through the sink ----------------------------------------------------------

std::mutex traceLock;
std::vector<std::u16string> traced;

void RecordTrace(std::u16string_view line) noexcept {
  const std::lock_guard<std::mutex> guard(traceLock);
  traced.emplace_back(line);
}

class TraceCapture {
 public:
  TraceCapture() {
    traced.clear();
    previous_ = SetTraceSink(&RecordTrace);
  }
  ~TraceCapture() { SetTraceSink(previous_); }
  std::u16string Joined() const {
    const std::lock_guard<std::mutex> guard(traceLock);
    std::u16string all;
    for (const auto& line : traced) all += line + u"\n";
    return all;
  }
  bool Holds(std::u16string_view part) const { return Joined().find(part) != std::u16string::npos; }

 private:
  TraceSink previous_ = nullptr;
};

void Throw(int kind) {
  if (kind == 1) throw std::runtime_error("handler broke");
  if (kind == 2) throw std::bad_alloc();
}

// --- The error boundary of the window and dialog procedures --------------------------------

constexpr UINT kThrowRuntime = WM_APP + 1;
constexpr UINT kThrowBadAlloc = WM_APP + 2;
constexpr UINT kAnswer = WM_APP + 3;

class ThrowingWindow final : public Window {
 public:
  HWND Make() {
    RegisterClass(::GetModuleHandleW(nullptr), L"BrimletThrowingWindow");
    return Create(::GetModuleHandleW(nullptr), L"BrimletThrowingWindow", L"throws", WS_POPUP);
  }

 private:
  bool HandleMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
    if (message == kThrowRuntime || message == kThrowBadAlloc) {
      result = 99;  // not what the caller must see: the handler did not finish
      Throw(message == kThrowRuntime ? 1 : 2);
    }
    if (message == kAnswer) {
      result = 42;
      return true;
    }
    return false;
  }
};

class ThrowingDialog final : public Dialog {
 private:
  bool HandleMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) override {
    if (message == WM_INITDIALOG) {
      result = TRUE;
      return true;
    }
    if (message == kThrowRuntime || message == kThrowBadAlloc) {
      result = 99;
      Throw(message == kThrowRuntime ? 1 : 2);
    }
    if (message == kAnswer) {
      result = 42;
      return true;
    }
    return false;
  }
};

TEST(ErrorBoundary, AThrowingHandlerIsTracedAndTheMessageGetsItsDefault) {
  const TraceCapture capture;
  ThrowingWindow window;
  ASSERT_NE(window.Make(), nullptr);
  ThrowingDialog dialog;
  ASSERT_NE(dialog.CreateModeless(::GetModuleHandleW(nullptr), IDD_FRAMEWORK_TEST_DIALOG), nullptr);
  struct Case {
    HWND target;
    UINT message;
    const char16_t* trace;
  };
  const Case cases[] = {
      {window.hwnd(), kThrowRuntime, u"window procedure message 0x8001 failed"},
      {window.hwnd(), kThrowBadAlloc, u"window procedure message 0x8002 failed"},
      {dialog.hwnd(), kThrowRuntime, u"dialog procedure message 0x8001 failed"},
      {dialog.hwnd(), kThrowBadAlloc, u"dialog procedure message 0x8002 failed"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(::SendMessageW(c.target, c.message, 0, 0), 0) << c.message;
    EXPECT_TRUE(capture.Holds(c.trace)) << c.message;
    // The window lives on and answers the next message.
    EXPECT_EQ(::SendMessageW(c.target, kAnswer, 0, 0), 42);
  }
  EXPECT_TRUE(capture.Holds(u"): handler broke"));
  EXPECT_TRUE(capture.Holds(u"): out of memory"));
  EXPECT_EQ(::GetWindowLongPtrW(dialog.hwnd(), DWLP_MSGRESULT), 42);
  ::DestroyWindow(dialog.hwnd());
  ::DestroyWindow(window.hwnd());
}

// --- The COM boundary ---------------------------------------------------------------------

HRESULT ComMethod(int kind) noexcept {
  try {
    Throw(kind);
    return S_OK;
  }
  BRIMLET_CATCH_RETURN()
}

TEST(CatchReturn, AnswersTheFailureAndTracesWhereItWasCaught) {
  const TraceCapture capture;
  EXPECT_EQ(ComMethod(0), S_OK);
  EXPECT_TRUE(capture.Joined().empty());
  EXPECT_EQ(ComMethod(1), E_UNEXPECTED);
  EXPECT_EQ(ComMethod(2), E_OUTOFMEMORY);
  EXPECT_TRUE(capture.Holds(u"Brimlet: ComMethod failed (framework_win32_test.cpp:"));
  EXPECT_TRUE(capture.Holds(u"): handler broke"));
}

// --- Guards -------------------------------------------------------------------------------

TEST(Guards, WindowDcSelectedObjectAndImageListGoBackOnEveryPath) {
  PlainWindow window;
  ASSERT_NE(window.Make(L"guards"), nullptr);
  {
    UniqueWindowDc dc(window.hwnd());
    ASSERT_TRUE(dc);
    EXPECT_EQ(::WindowFromDC(dc.get()), window.hwnd());
    const HGDIOBJ before = ::GetCurrentObject(dc.get(), OBJ_FONT);
    UniqueGdiObject font(
        ::CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    ASSERT_TRUE(font);
    {
      const ScopedSelectObject selected(dc.get(), font.get());
      EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_FONT), font.get());
    }
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_FONT), before);
    { const ScopedSelectObject nothing(dc.get(), nullptr); }
    EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_FONT), before);

    UniqueWindowDc moved(std::move(dc));
    EXPECT_FALSE(dc);
    ASSERT_TRUE(moved);
    ::SetLastError(1234);
    moved.reset();
    EXPECT_EQ(::GetLastError(), 1234u) << "releasing the DC kept the caller's error";
    EXPECT_FALSE(moved);
  }
  {
    UniqueHImageList images(::ImageList_Create(16, 16, ILC_COLOR32, 1, 1));
    ASSERT_TRUE(images);
    EXPECT_EQ(::ImageList_GetImageCount(images.get()), 0);
    HIMAGELIST kept = images.release();
    EXPECT_FALSE(images);
    EXPECT_TRUE(::ImageList_SetImageCount(kept, 2));
    EXPECT_EQ(::ImageList_GetImageCount(kept), 2) << "a released list stays the caller's";
    images.reset(kept);
  }
  ::DestroyWindow(window.hwnd());
}

// --- IUnknown once ------------------------------------------------------------------------

class TwoFaced final : public ComObject<Answers<IDispatch, IID_IDispatch>,
                                        Answers<IPersistStream, IID_IPersistStream, IID_IPersist>> {
 public:
  explicit TwoFaced(bool& destroyed) noexcept : destroyed_(destroyed) {}
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                          DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) noexcept override {
    return E_NOTIMPL;
  }
  // IPersistStream
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsDirty() noexcept override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(IStream*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) noexcept override { return E_NOTIMPL; }

 private:
  ~TwoFaced() override { destroyed_ = true; }
  bool& destroyed_;
};

TEST(ComObject, AnswersItsInterfacesWithOneIdentityAndGoesWithItsLastReference) {
  bool destroyed = false;
  ComPtr<TwoFaced> object = MakeComObject<TwoFaced>(destroyed);
  ASSERT_TRUE(object);
  IUnknown* identity = static_cast<IDispatch*>(object.get());
  struct Case {
    const IID& iid;
    void* expected;
  };
  const Case cases[] = {
      {IID_IUnknown, identity},
      {IID_IDispatch, static_cast<IDispatch*>(object.get())},
      {IID_IPersistStream, static_cast<IPersistStream*>(object.get())},
      {IID_IPersist, static_cast<IPersistStream*>(object.get())},
      {IID_IStream, nullptr},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    void* answer = reinterpret_cast<void*>(1);
    const HRESULT hr = object->QueryInterface(cases[i].iid, &answer);
    EXPECT_EQ(answer, cases[i].expected) << i;
    EXPECT_EQ(hr, cases[i].expected ? S_OK : E_NOINTERFACE) << i;
    if (answer == nullptr) continue;
    // Asked through any interface, IUnknown is the same pointer.
    IUnknown* through = static_cast<IUnknown*>(answer);
    ComPtr<IUnknown> again;
    EXPECT_EQ(through->QueryInterface(IID_IUnknown, again.put_void()), S_OK);
    EXPECT_EQ(again.get(), identity) << i;
    through->Release();
  }
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  // Every answer above was released again: only the creator's reference is left.
  EXPECT_EQ(identity->AddRef(), 2u);
  EXPECT_EQ(identity->Release(), 1u);
  EXPECT_FALSE(destroyed);
  object.reset();
  EXPECT_TRUE(destroyed);
}

// --- Window geometry and the foreground ----------------------------------------------------

UniqueHWnd MakePopup(int x, int y, int width, int height) {
  WNDCLASSEXW wc{sizeof(wc)};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"BrimletFrameworkPopup";
  ::RegisterClassExW(&wc);
  return UniqueHWnd(::CreateWindowExW(0, wc.lpszClassName, L"popup", WS_POPUP | WS_VISIBLE, x, y,
                                      width, height, nullptr, nullptr, wc.hInstance, nullptr));
}

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

// Activation crosses threads through messages: pump until the foreground settles.
HWND ForegroundAfterPumping(HWND expected) {
  for (int i = 0; i < 100 && ::GetForegroundWindow() != expected; ++i) {
    Pump();
    ::Sleep(20);
  }
  return ::GetForegroundWindow();
}

TEST(WindowRectIn, GivesTheRectangleInAnotherWindowsClientCoordinatesOrOnTheScreen) {
  UniqueHWnd parent = MakePopup(100, 120, 400, 300);
  UniqueHWnd other = MakePopup(130, 170, 50, 40);
  POINT origin{0, 0};
  ::ClientToScreen(parent.get(), &origin);
  const RECT inParent = WindowRectIn(other.get(), parent.get());
  EXPECT_EQ(inParent.left, 130 - origin.x);
  EXPECT_EQ(inParent.top, 170 - origin.y);
  EXPECT_EQ(inParent.right - inParent.left, 50);
  const RECT onScreen = WindowRectIn(other.get());
  EXPECT_EQ(onScreen.left, 130);
  EXPECT_EQ(onScreen.top, 170);

  HWND child = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 7, 9, 30, 20,
                                 parent.get(), reinterpret_cast<HMENU>(77), nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  const RECT control = ChildRectIn(parent.get(), 77);
  EXPECT_EQ(control.left, 7);
  EXPECT_EQ(control.top, 9);
  EXPECT_EQ(control.right, 37);
  EXPECT_EQ(control.bottom, 29);
}

// A second start finds the window behind another program's window and brings it forward.
TEST(BringToForeground, TakesTheFrontFromAnotherThreadsForegroundWindow) {
  UniqueHWnd box = MakePopup(60, 60, 200, 80);
  HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND otherWindow = nullptr;
  std::thread other([&] {
    UniqueHWnd front = MakePopup(300, 300, 200, 80);
    otherWindow = front.get();
    ::SetForegroundWindow(front.get());
    ::SetEvent(ready);
    while (::MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      Pump();
    }
  });
  ::WaitForSingleObject(ready, 5000);
  ASSERT_EQ(ForegroundAfterPumping(otherWindow), otherWindow)
      << "the other thread could not take the front";
  BringToForeground(box.get());
  EXPECT_EQ(ForegroundAfterPumping(box.get()), box.get());
  // Asked again from the foreground thread itself: nothing to attach, still in front.
  BringToForeground(box.get());
  EXPECT_EQ(ForegroundAfterPumping(box.get()), box.get());
  ::SetEvent(done);
  other.join();
  ::CloseHandle(ready);
  ::CloseHandle(done);
  BringToForeground(reinterpret_cast<HWND>(static_cast<intptr_t>(0x7FFF0)));
  BringToForeground(nullptr);
}

// --- The message loop ---------------------------------------------------------------------

constexpr UINT kFiltered = WM_APP + 5;

class CountingFilter final : public IMessageFilter {
 public:
  int seen = 0;
  bool PreTranslateMessage(MSG& msg) noexcept override {
    if (msg.message != kFiltered) return false;
    ++seen;
    ::PostQuitMessage(7);
    return true;
  }
};

TEST(ThreadMessageLoop, IsTheModulesLoopWhileItLivesAndFiltersSeeMessagesWhileInScope) {
  AppModule module;
  ASSERT_TRUE(module.Init(::GetModuleHandleW(nullptr), GUID{}));
  CountingFilter filter;
  {
    ThreadMessageLoop thread(module);
    EXPECT_EQ(module.GetMessageLoop(), &thread.loop());
    {
      const ScopedMessageFilter scoped(thread.loop(), &filter);
      ::PostThreadMessageW(::GetCurrentThreadId(), kFiltered, 0, 0);
      EXPECT_EQ(thread.Run(), 7);
      EXPECT_EQ(filter.seen, 1);
    }
    ::PostThreadMessageW(::GetCurrentThreadId(), kFiltered, 0, 0);
    ::PostQuitMessage(3);
    EXPECT_EQ(thread.Run(), 3);
    EXPECT_EQ(filter.seen, 1) << "the filter was removed with its scope";
  }
  EXPECT_EQ(module.GetMessageLoop(), nullptr);
}

// --- Starting this program again ----------------------------------------------------------

constexpr wchar_t kMarkerSwitch[] = L"--brimlet-relaunch-marker=";

std::wstring ProgramFolder() {
  const std::wstring path = OwnModulePath();
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

// The started copy runs only this test: it records the folder it was started in.
TEST(RelaunchSelf, StartedCopyRecordsItsFolder) {
  const std::wstring line = ::GetCommandLineW();
  const size_t at = line.find(kMarkerSwitch);
  if (at == std::wstring::npos) GTEST_SKIP() << "runs only in the copy RelaunchSelf starts";
  const std::wstring marker = line.substr(at + std::size(kMarkerSwitch) - 1);
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  std::wofstream(marker.c_str()) << folder;
}

TEST(RelaunchSelf, StartsThisProgramFromItsOwnFolder) {
  wchar_t temp[MAX_PATH] = {};
  ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring marker =
      std::wstring(temp) + L"brimlet_relaunch_" + std::to_wstring(::GetCurrentProcessId());
  ::DeleteFileW(marker.c_str());
  wchar_t here[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, here);
  ::SetCurrentDirectoryW(temp);  // elsewhere: the copy must start in the program's folder
  const bool started = RelaunchSelf(L"--gtest_filter=RelaunchSelf.StartedCopyRecordsItsFolder " +
                                    std::wstring(kMarkerSwitch) + marker);
  ::SetCurrentDirectoryW(here);
  ASSERT_TRUE(started);
  std::wstring folder;
  for (int i = 0; i < 300 && folder.empty(); ++i) {
    ::Sleep(50);
    std::wifstream(marker.c_str()) >> folder;
  }
  ::DeleteFileW(marker.c_str());
  std::wstring expected = ProgramFolder();
  if (expected.size() > 3) expected.pop_back();  // the current directory has no final '\'
  EXPECT_EQ(::CompareStringOrdinal(folder.c_str(), -1, expected.c_str(), -1, TRUE), CSTR_EQUAL)
      << "started in " << std::string(folder.begin(), folder.end());
}

}  // namespace
}  // namespace brimlet::win32
