// The module loaded by path, every export called as the host and the system call them.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "gadget_folder.h"
#include "settings.h"
#include "win32/unique_resource.h"
#include "win32/win32_registry.h"

namespace brimlet {
namespace {

using testing::GadgetFolder;
using testing::PumpFor;
using testing::SummonRecorder;
using testing::SwitchOf;
using KeyboardProcFn = LRESULT(CALLBACK*)(int, WPARAM, LPARAM);
using CommandFn = HRESULT(STDAPICALLTYPE*)(const GUID*);
using ActionFn = HRESULT(STDAPICALLTYPE*)();

constexpr GUID kSearchBoxCommand = {
    0x4F2A7C10, 0x8B3D, 0x4E61, {0x9A, 0x55, 0xC0, 0xD1, 0xE2, 0xF3, 0x00, 0x41}};
constexpr GUID kOtherCommand = {
    0x4F2A7C10, 0x8B3D, 0x4E61, {0x9A, 0x55, 0xC0, 0xD1, 0xE2, 0xF3, 0x00, 0x42}};

// The events the system reports for the Ctrl key and the A key.
constexpr LPARAM kCtrlDown = 0x001d0001;
constexpr LPARAM kCtrlUp = static_cast<LPARAM>(0xc01d0001u);
constexpr LPARAM kADown = 0x001e0001;

class ModuleExports : public ::testing::Test {
 public:
  void SetUp() override {
    ClearSettings();
    ASSERT_TRUE(folder_.ready()) << "could not lay out the gadget folder";
    ASSERT_TRUE(host_.ready()) << "could not create the stand-in host window";
    module_.reset(::LoadLibraryW(folder_.DllPath().c_str()));
    ASSERT_TRUE(module_) << "LoadLibraryW failed: " << ::GetLastError();
    keyboardProc_ = Bind<KeyboardProcFn>("KeyboardProc");
    executeCommand_ = Bind<CommandFn>("ExecuteCommand");
    configure_ = Bind<ActionFn>("Configure");
    onStart_ = Bind<ActionFn>("OnStart");
    ASSERT_TRUE(keyboardProc_ && executeCommand_ && configure_ && onStart_);
  }
  void TearDown() override {
    module_.reset();
    ClearSettings();
  }

  template <typename Fn>
  Fn Bind(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), name)));
  }
  void ClearSettings() {
    registry_.DeleteValue(RegistryRoot::kCurrentUser, kSettingsKey, u"UseKeyboardHook");
    registry_.DeleteValue(RegistryRoot::kCurrentUser, kSettingsKey, u"KeyStroke");
  }
  void SetText(std::u16string_view name, std::u16string_view text) {
    registry_.SetValue(RegistryRoot::kCurrentUser, kSettingsKey, name, reg_type::kSz,
                       {reinterpret_cast<const std::byte*>(text.data()), text.size() * 2});
  }
  // Releases must land on different ticks: a same-tick release changes nothing.
  void Key(LPARAM event, WPARAM key = VK_CONTROL) {
    EXPECT_EQ(keyboardProc_(HC_ACTION, key, event), 0);
    ::Sleep(20);
  }
  void CtrlTwice() {
    for (int i = 0; i < 2; ++i) {
      Key(kCtrlDown);
      Key(kCtrlUp);
    }
  }
  // The switches started since the last call, and "summon" for each summon the host window
  // received, sorted: processes started one after the other may record in either order.
  // Starts "/start" as a marker and waits for it; a start the earlier calls made is
  // recorded by then or very soon after.
  std::vector<std::string> SwitchesUpToMarker() {
    const size_t before = seen_;
    EXPECT_EQ(onStart_(), S_OK);
    const ULONGLONG end = ::GetTickCount64() + 10000;
    std::vector<std::string> switches;
    for (;;) {
      switches.clear();
      const auto lines = folder_.CommandLines();
      for (size_t i = before; i < lines.size(); ++i) switches.push_back(SwitchOf(lines[i]));
      if (std::count(switches.begin(), switches.end(), "/start") > 0) break;
      if (::GetTickCount64() > end) {
        ADD_FAILURE() << "the marker start was not recorded";
        break;
      }
      PumpFor(50);
    }
    PumpFor(300);
    switches.clear();
    const auto lines = folder_.CommandLines();
    for (size_t i = before; i < lines.size(); ++i) switches.push_back(SwitchOf(lines[i]));
    seen_ = lines.size();
    for (; summonsSeen_ < host_.count(); ++summonsSeen_) switches.push_back("summon");
    std::sort(switches.begin(), switches.end());
    return switches;
  }

  GadgetFolder folder_{L"exports"};
  SummonRecorder host_;
  size_t seen_ = 0;         // command lines already looked at
  size_t summonsSeen_ = 0;  // summons already looked at
  win32::Win32Registry registry_;
  Settings settings_{registry_};
  win32::UniqueHModule module_;
  KeyboardProcFn keyboardProc_ = nullptr;
  CommandFn executeCommand_ = nullptr;
  ActionFn configure_ = nullptr;
  ActionFn onStart_ = nullptr;
};

using Switches = std::vector<std::string>;

TEST_F(ModuleExports, ConfigureAndOnStartStartTheProgramBesideTheModule) {
  EXPECT_EQ(configure_(), S_OK);
  EXPECT_EQ(SwitchesUpToMarker(), (Switches{"/config", "/start"}));
  for (const std::string& line : folder_.CommandLines()) {
    EXPECT_NE(line.find("Brimlet.exe"), std::string::npos) << line;
  }

  // The working folder is the module's folder, spaces and all.
  std::string expected(folder_.path().begin(), folder_.path().end() - 1);
  for (const std::string& folder : folder_.WorkingFolders()) {
    EXPECT_EQ(
        CompareStringOrdinal(std::wstring(folder.begin(), folder.end()).c_str(), -1,
                             std::wstring(expected.begin(), expected.end()).c_str(), -1, TRUE),
        CSTR_EQUAL)
        << folder;
  }
}

TEST_F(ModuleExports, ExecuteCommandAsksForTheSearchOnlyForItsCommand) {
  EXPECT_EQ(executeCommand_(&kOtherCommand), E_NOTIMPL);
  EXPECT_EQ(executeCommand_(nullptr), E_POINTER);
  EXPECT_EQ(SwitchesUpToMarker(), (Switches{"/start"}));
  EXPECT_EQ(executeCommand_(&kSearchBoxCommand), S_OK);
  EXPECT_EQ(SwitchesUpToMarker(), (Switches{"/start", "summon"}));
}

TEST_F(ModuleExports, CtrlTwiceAsksTheHostForTheBoxOnceAndStartsNothing) {
  CtrlTwice();
  EXPECT_EQ(SwitchesUpToMarker(), (Switches{"/start", "summon"}));
}

TEST_F(ModuleExports, SettingsDecideWhetherAndWhichKeyIsWatched) {
  struct Case {
    const char* name;
    void (*apply)(ModuleExports&);
    bool fires;
  } cases[] = {
      {"missing values", [](ModuleExports&) {}, true},
      {"hook flag stored as text", [](ModuleExports& t) { t.SetText(u"UseKeyboardHook", u"0"); },
       true},
      {"hook flag 2", [](ModuleExports& t) { t.settings_.WriteNumber(u"UseKeyboardHook", 2); },
       true},
      {"hook flag 0", [](ModuleExports& t) { t.settings_.SetUseKeyboardHook(false); }, false},
      {"KeyStroke 7 reads as Ctrl", [](ModuleExports& t) { t.settings_.SetKeyStroke(7); }, true},
      {"KeyStroke as text reads as Ctrl", [](ModuleExports& t) { t.SetText(u"KeyStroke", u"1"); },
       true},
      {"KeyStroke 1 watches Shift", [](ModuleExports& t) { t.settings_.SetKeyStroke(1); }, false},
      {"KeyStroke -1 watches nothing", [](ModuleExports& t) { t.settings_.SetKeyStroke(-1); },
       false},
  };
  for (const Case& c : cases) {
    ClearSettings();
    c.apply(*this);
    CtrlTwice();
    Key(kADown, 'A');  // leaves the detector idle for the next case
    const Switches expected = c.fires ? Switches{"/start", "summon"} : Switches{"/start"};
    EXPECT_EQ(SwitchesUpToMarker(), expected) << c.name;
  }
}

// Switched off, the hook ignores the watched key; any other key still cancels a pair, since
// the settings are not read for it.
TEST_F(ModuleExports, SwitchedOffHookIgnoresTheWatchedKeyOnly) {
  Key(kCtrlDown);
  Key(kCtrlUp);  // first release recorded
  settings_.SetUseKeyboardHook(false);
  CtrlTwice();  // would fire if seen
  settings_.SetUseKeyboardHook(true);
  Key(kCtrlDown);
  Key(kCtrlUp);  // the pair's second release
  EXPECT_EQ(SwitchesUpToMarker(), (Switches{"/start", "summon"}));

  Key(kCtrlDown);
  Key(kCtrlUp);
  settings_.SetUseKeyboardHook(false);
  Key(kADown, 'A');
  settings_.SetUseKeyboardHook(true);
  Key(kCtrlDown);
  Key(kCtrlUp);
  EXPECT_EQ(SwitchesUpToMarker(), (Switches{"/start"}));
}

TEST_F(ModuleExports, NegativeHookCodePassesOnWithoutTouchingTheDetector) {
  Key(kCtrlDown);
  Key(kCtrlUp);
  EXPECT_EQ(keyboardProc_(-1, 'A', kADown), 0);  // would cancel the pair if handled
  Key(kCtrlDown);
  Key(kCtrlUp);
  EXPECT_EQ(SwitchesUpToMarker(), (Switches{"/start", "summon"}));
}

// A window of this process brought to the front, sized relative to the primary monitor.
win32::UniqueHWnd FrontWindow(int extra, bool topmost) {
  MONITORINFO monitor{sizeof(monitor)};
  ::GetMonitorInfoW(::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT desktop = monitor.rcMonitor;
  win32::UniqueHWnd window(::CreateWindowExW(
      topmost ? WS_EX_TOPMOST : 0, L"STATIC", L"front", WS_POPUP | WS_VISIBLE, desktop.left - extra,
      desktop.top - extra, desktop.right - desktop.left + 2 * extra,
      desktop.bottom - desktop.top + 2 * extra, nullptr, nullptr, nullptr, nullptr));
  ::SetForegroundWindow(window.get());
  PumpFor(200);
  return window;
}

TEST_F(ModuleExports, FullScreenTopmostWindowBlocksOnlyTheSearch) {
  const win32::UniqueHWnd front = FrontWindow(0, true);
  ASSERT_EQ(::GetForegroundWindow(), front.get()) << "could not bring a window to the front";
  EXPECT_EQ(executeCommand_(&kSearchBoxCommand), S_OK);
  CtrlTwice();
  EXPECT_EQ(configure_(), S_OK);
  EXPECT_EQ(SwitchesUpToMarker(), (Switches{"/config", "/start"}));
}

TEST_F(ModuleExports, OversizedOrdinaryWindowDoesNotBlock) {
  const win32::UniqueHWnd front = FrontWindow(20, false);
  ASSERT_EQ(::GetForegroundWindow(), front.get()) << "could not bring a window to the front";
  EXPECT_EQ(executeCommand_(&kSearchBoxCommand), S_OK);
  EXPECT_EQ(SwitchesUpToMarker(), (Switches{"/start", "summon"}));
}

// A ready box's window is taken only when Brimlet.exe beside the module made it: this test
// program's window of the same class and title gets nothing, and the host is asked.
TEST_F(ModuleExports, ReadyBoxWindowOfAnotherProgramIsNotAsked) {
  SummonRecorder impostor(SummonRecorder::Kind::kReadyBox);
  ASSERT_TRUE(impostor.ready());
  CtrlTwice();
  EXPECT_EQ(SwitchesUpToMarker(), (Switches{"/start", "summon"}));
  EXPECT_EQ(impostor.count(), 0u);
}

// Neither a ready box nor the host: nothing is started from the program that had the keys.
TEST(ModuleWithoutHost, DoublePressStartsNothing) {
  GadgetFolder folder(L"no host");
  ASSERT_TRUE(folder.ready());
  ASSERT_EQ(::FindWindowW(L"Zelvo_Gadget_WndClass", L"Zelvo Gadget"), nullptr)
      << "a host window of another run is in the way";
  win32::UniqueHModule module(::LoadLibraryW(folder.DllPath().c_str()));
  ASSERT_TRUE(module);
  auto proc = reinterpret_cast<KeyboardProcFn>(
      reinterpret_cast<void*>(::GetProcAddress(module.get(), "KeyboardProc")));
  ASSERT_TRUE(proc);
  for (LPARAM event : {kCtrlDown, kCtrlUp, kCtrlDown, kCtrlUp}) {
    proc(HC_ACTION, VK_CONTROL, event);
    ::Sleep(20);
  }
  PumpFor(1000);
  EXPECT_TRUE(folder.CommandLines().empty());
}

TEST(ModuleWithoutProgram, FailedStartIsSilentAndReturnsAtOnce) {
  GadgetFolder folder(L"no program", /*withProgram=*/false);
  ASSERT_TRUE(folder.ready());
  win32::UniqueHModule module(::LoadLibraryW(folder.DllPath().c_str()));
  ASSERT_TRUE(module);
  auto configure = reinterpret_cast<ActionFn>(
      reinterpret_cast<void*>(::GetProcAddress(module.get(), "Configure")));
  ASSERT_TRUE(configure);
  // An error box would be modal and never return here: run it aside and bound the wait.
  HRESULT result = E_FAIL;
  win32::UniqueHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::thread([&result, configure, event = done.get()] {
    result = configure();
    ::SetEvent(event);
  }).detach();
  ASSERT_EQ(::WaitForSingleObject(done.get(), 10000), WAIT_OBJECT_0)
      << "Configure did not return: the failed start showed UI";
  EXPECT_EQ(result, S_OK);
}

}  // namespace
}  // namespace brimlet
