// Plays the user at the keyboard, inside Wine, against a running host: from a window of its
// own in the foreground it presses Ctrl twice with SendInput (real key events, which the
// installed hook sees in this process), optionally types words after a pause, and times
// until the classic box is visible, in the foreground, with the caret in its field; then it
// reads the field and closes the box.
//   summon_probe.exe type <rounds> <pause ms> <words> <ms per key>
//     every round must leave exactly <words> in the box (exit code 1 otherwise)
//   summon_probe.exe bench <rounds> <minimal_window.exe> [bare_window.exe]
//     alternates a summon with starting the minimal window program; prints both medians
//   summon_probe.exe show | open
//     one summon: prints the field's text, then closes the box (show) or leaves it (open)
//   summon_probe.exe twice
//     a summon, then a second double press while the box is in front: it must close
//   summon_probe.exe settings
//     a summon, the box's settings button, the dialog closed: the box handed back to shows
//   summon_probe.exe parents
//     each Brimlet.exe running and the program that started it
//   summon_probe.exe memory
//     working set and private bytes of the ready box and the host
// With a ready box expected ("warm", the default), each round first waits for it to be
// prepared; "cold" as the first argument waits for no ready box instead.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

#include "protocol/summon_protocol.h"
#include "launch_timing.h"

namespace {

constexpr wchar_t kBoxTitle[] = L"\u30d6\u30ea\u30e0\u30ec\u30c3\u30c8\u30dc\u30c3\u30af\u30b9";
constexpr int kSearchWordsId = 1040;
constexpr WPARAM kSettingsCommand = 8194;  // the box's settings button
constexpr wchar_t kSettingsTitle[] = L"\u30d6\u30ea\u30e0\u30ec\u30c3\u30c8\u30dc\u30c3\u30af\u30b9\u306e\u8a2d\u5b9a";

using brimlet::bench::Median;
using brimlet::bench::Now;

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// The hook runs when this thread takes a key message off its queue: keep taking them.
void PumpFor(double ms) {
  const double end = Now() + ms;
  do {
    Pump();
    ::Sleep(1);
  } while (Now() < end);
}

// Waits while pumping this thread's messages; false when `done` never held.
template <typename Done>
bool WaitFor(Done done, double timeoutMs) {
  const double end = Now() + timeoutMs;
  while (!done()) {
    if (Now() > end) return false;
    Pump();
    ::Sleep(1);
  }
  return true;
}

HWND ReadyBox() {
  return ::FindWindowExW(HWND_MESSAGE, nullptr, brimlet::summon::kReadyBoxWindowClass,
                         brimlet::summon::kReadyBoxWindowTitle);
}
HWND Host() {
  return ::FindWindowW(brimlet::summon::kHostWindowClass, brimlet::summon::kHostWindowTitle);
}
HWND VisibleBox() {
  HWND box = ::FindWindowW(L"#32770", kBoxTitle);
  return box != nullptr && ::IsWindowVisible(box) ? box : nullptr;
}

void Key(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  ::SendInput(1, &input, sizeof(input));
}

// A window of this process in the foreground: the hook runs where the keys arrive.
class Stage {
 public:
  Stage() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"BrimletSummonProbe";
    ::RegisterClassW(&wc);
    window_ =
        ::CreateWindowExW(0, wc.lpszClassName, L"summon probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                          40, 40, 500, 120, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~Stage() { ::DestroyWindow(window_); }
  // The characters this window took: keys that reached the program behind the box.
  static int TakenCharacters() { return taken_; }
  bool TakeForeground() {
    ::SetForegroundWindow(window_);
    return WaitFor([&] { return ::GetForegroundWindow() == window_; }, 3000);
  }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR) ++taken_;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  static inline int taken_ = 0;
  HWND window_ = nullptr;
};

// The hook fires when this thread takes the second release off its queue: that is the
// double press, complete when this returns.
void PressCtrlTwice() {
  for (int i = 0; i < 2; ++i) {
    Key(VK_CONTROL, false);
    PumpFor(15);
    Key(VK_CONTROL, true);
    if (i == 0) PumpFor(30);
  }
  Pump();
}

struct Summoned {
  bool ok = false;
  double ms = 0;  // from the double press to visible, in front and the caret in the field
  HWND box = nullptr;
};

// The double press as a user makes it; the clock starts at its second release, when the
// hook fires. Then, after `pauseMs`, the words at `keyMs` a key.
Summoned Summon(double pauseMs, const std::wstring& words, double keyMs) {
  PressCtrlTwice();
  const double pressed = Now();
  Summoned result;
  double shownAt = -1;
  bool typed = words.empty();
  double nextKey = pressed + pauseMs;
  size_t nextChar = 0;
  while (Now() - pressed < 10'000 && (shownAt < 0 || !typed)) {
    if (!typed && Now() >= nextKey) {
      const WORD key = static_cast<WORD>(::towupper(words[nextChar]));
      Key(key, false);
      Key(key, true);
      typed = ++nextChar == words.size();
      nextKey += keyMs;
    }
    if (shownAt < 0) {
      HWND box = VisibleBox();
      GUITHREADINFO gui{};
      gui.cbSize = sizeof(gui);
      // Wine reports no caret window for another thread's edit (for a cold box too): the
      // keyboard focus in the field stands for it there.
      HWND field = box != nullptr ? ::GetDlgItem(box, kSearchWordsId) : nullptr;
      if (box != nullptr && ::GetForegroundWindow() == box &&
          ::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &gui) &&
          (gui.hwndCaret == field || (gui.hwndCaret == nullptr && gui.hwndFocus == field))) {
        shownAt = Now();
        result.box = box;
      }
    }
    Pump();
    ::Sleep(1);
  }
  result.ok = shownAt >= 0;
  result.ms = shownAt - pressed;
  if (!result.ok) {
    HWND box = ::FindWindowW(L"#32770", kBoxTitle);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    if (box != nullptr) ::GetGUIThreadInfo(::GetWindowThreadProcessId(box, nullptr), &gui);
    std::fprintf(stderr, "box %p visible %d, foreground %p, focus %p, caret %p, field %p\n",
                 static_cast<void*>(box), box != nullptr && ::IsWindowVisible(box),
                 static_cast<void*>(::GetForegroundWindow()), static_cast<void*>(gui.hwndFocus),
                 static_cast<void*>(gui.hwndCaret),
                 static_cast<void*>(box ? ::GetDlgItem(box, kSearchWordsId) : nullptr));
  }
  return result;
}

std::wstring FieldText(HWND box) {
  wchar_t text[256] = {};
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(::GetDlgItem(box, kSearchWordsId), WM_GETTEXT, std::size(text),
                        reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &ignored);
  return text;
}

// Closes the box as Esc does and waits for its process to end, so the next round meets a
// box process prepared afresh (warm) or none (cold).
bool CloseBox(HWND box, bool warm) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(box, &process);
  HANDLE handle = ::OpenProcess(SYNCHRONIZE, FALSE, process);
  ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
  bool ended = true;
  if (handle != nullptr) {
    ended = ::WaitForSingleObject(handle, 15'000) == WAIT_OBJECT_0;
    ::CloseHandle(handle);
  }
  if (!ended) {
    std::fprintf(stderr, "the box's process did not end\n");
    return false;
  }
  if (warm ? WaitFor([] { return ReadyBox() != nullptr; }, 20'000)
           : WaitFor([] { return VisibleBox() == nullptr; }, 5'000)) {
    return true;
  }
  std::fprintf(stderr, warm ? "no box was prepared after the close\n" : "the box stays\n");
  return false;
}

bool PrepareRound(Stage& stage, bool warm) {
  if (warm && !WaitFor([] { return ReadyBox() != nullptr; }, 20'000)) {
    std::fprintf(stderr, "no ready box appeared\n");
    return false;
  }
  // A ready box still waiting when the setting was turned off gives way at its summon.
  if (!warm) WaitFor([] { return ReadyBox() == nullptr; }, 2'000);
  ::Sleep(300);  // the previous box's process and the host settle
  if (!stage.TakeForeground()) {
    std::fprintf(stderr, "the probe could not take the foreground\n");
    return false;
  }
  return true;
}

// CreateProcess until its window is visible (as summon_timer measures the minimal window).
double TimeMinimal(const std::wstring& program) {
  return brimlet::bench::TimeToVisible(
      {L"\"" + program + L"\"", L"BrimletMinimalWindow", L"minimal"});
}

int Type(bool warm, int rounds, double pauseMs, const std::wstring& words, double keyMs) {
  Stage stage;
  int exact = 0;
  for (int i = 0; i < rounds; ++i) {
    if (!PrepareRound(stage, warm)) return 2;
    const Summoned summoned = Summon(pauseMs, words, keyMs);
    if (!summoned.ok) {
      std::printf("round %2d: no box in front with the caret in its field\n", i + 1);
      continue;
    }
    // A sent WM_GETTEXT is answered before the keys still queued for the box: wait for them
    // (a key that went to another window never comes, and the text stays short).
    std::wstring text;
    WaitFor([&] { return (text = FieldText(summoned.box)) == words; }, 3000);
    const bool same = text == words;
    static int takenBefore = 0;
    const int taken = Stage::TakenCharacters() - takenBefore;
    takenBefore = Stage::TakenCharacters();
    exact += same ? 1 : 0;
    std::printf("round %2d: shown in %6.1f ms, field \"%ls\"%s", i + 1, summoned.ms, text.c_str(),
                same ? "" : "  <- not the words typed");
    if (taken > 0) std::printf(" (%d reached the program behind)", taken);
    if (!same) {
      // Which way the words went: a box that closed itself, or one that lost the front.
      std::printf(::IsWindow(summoned.box) ? " (the box is open, %s)" : " (the box has closed)%s",
                  ::IsWindow(summoned.box)
                      ? (::GetForegroundWindow() == summoned.box ? "in front" : "not in front")
                      : "");
    }
    std::printf("\n");
    if (!CloseBox(summoned.box, warm)) return 2;
  }
  std::printf("exact: %d of %d\n", exact, rounds);
  return exact == rounds ? 0 : 1;
}

// The same bare window built without the project's flags (bare_window.c), when given.
double TimeBare(const std::wstring& program) {
  return brimlet::bench::TimeToVisible({L"\"" + program + L"\"", L"BrimletBareWindow", L"bare"});
}

int Bench(bool warm, int rounds, const std::wstring& minimal, const std::wstring& bare) {
  Stage stage;
  std::vector<double> summons, minimals, ratios, bares;
  TimeMinimal(minimal);  // warms the file cache and the Wine server
  if (!bare.empty()) TimeBare(bare);
  for (int i = 0; i < rounds; ++i) {
    if (!PrepareRound(stage, warm)) return 2;
    const Summoned summoned = Summon(0, L"", 0);
    if (!summoned.ok) {
      std::fprintf(stderr, "round %d: no box\n", i + 1);
      return 1;
    }
    ::Sleep(400);
    if (!CloseBox(summoned.box, warm)) return 2;
    const double m = TimeMinimal(minimal);
    if (m <= 0) return 1;
    summons.push_back(summoned.ms);
    minimals.push_back(m);
    ratios.push_back(summoned.ms / m);
    std::printf("round %2d: %s summon %6.1f ms, minimal window %6.1f ms, ratio %.2f", i + 1,
                warm ? "warm" : "cold", summoned.ms, m, summoned.ms / m);
    if (!bare.empty()) {
      const double b = TimeBare(bare);
      if (b <= 0) return 1;
      bares.push_back(b);
      std::printf(", bare window %6.1f ms", b);
    }
    std::printf("\n");
  }
  if (!bares.empty()) {
    std::printf("median: bare window (compiler defaults) %.1f ms, minimal window / bare %.2f\n",
                Median(bares), Median(minimals) / Median(bares));
  }
  std::printf("median: %s summon %.1f ms, minimal window %.1f ms, ratio %.2f (%d rounds)\n",
              warm ? "warm" : "cold", Median(summons), Median(minimals), Median(ratios), rounds);
  return 0;
}

// One round's summon, without words; says so when no box came to the front.
Summoned SummonOnce(Stage& stage, bool warm) {
  if (!PrepareRound(stage, warm)) return {};
  const Summoned summoned = Summon(0, L"", 0);
  if (!summoned.ok) std::printf("no box in front with the caret in its field\n");
  return summoned;
}

// A double press while the box is in front closes it (the hook then runs in the box's own
// process).
int SummonTwice(bool warm) {
  Stage stage;
  const Summoned summoned = SummonOnce(stage, warm);
  if (!summoned.ok) return 1;
  ::Sleep(500);
  PressCtrlTwice();
  if (!WaitFor([] { return VisibleBox() == nullptr; }, 5'000)) {
    std::printf("the second double press left the box open\n");
    CloseBox(summoned.box, warm);
    return 1;
  }
  std::printf("closed by the second double press\n");
  return WaitFor([] { return ReadyBox() != nullptr; }, 20'000) || !warm ? 0 : 2;
}

int Parents() {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 2;
  std::map<DWORD, std::wstring> names;
  std::vector<PROCESSENTRY32W> boxes;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
       more = ::Process32NextW(snapshot, &entry)) {
    names[entry.th32ProcessID] = entry.szExeFile;
    if (::_wcsicmp(entry.szExeFile, L"Brimlet.exe") == 0) boxes.push_back(entry);
  }
  ::CloseHandle(snapshot);
  for (const PROCESSENTRY32W& box : boxes) {
    const auto parent = names.find(box.th32ParentProcessID);
    std::printf("Brimlet.exe %lu started by %ls\n", box.th32ProcessID,
                parent == names.end() ? L"(gone)" : parent->second.c_str());
  }
  return 0;
}

// The box's settings button, then the dialog closed: the box the dialog hands back to shows.
// Lists the box processes while the dialog is open and once that box is shown.
int SettingsAndBack(bool warm) {
  Stage stage;
  const Summoned summoned = SummonOnce(stage, warm);
  if (!summoned.ok) return 1;
  ::PostMessageW(summoned.box, WM_COMMAND, kSettingsCommand, 0);
  HWND dialog = nullptr;
  if (!WaitFor([&] { return (dialog = ::FindWindowW(L"#32770", kSettingsTitle)) != nullptr &&
                            ::IsWindowVisible(dialog); },
               20'000)) {
    std::printf("the settings button opened no dialog\n");
    return 1;
  }
  std::printf("settings dialog open\n");
  Parents();
  ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  HWND box = nullptr;
  if (!WaitFor([&] { return (box = VisibleBox()) != nullptr; }, 20'000)) {
    std::printf("no box after the settings dialog closed\n");
    return 1;
  }
  std::printf("box handed back\n");
  Parents();
  return CloseBox(box, warm) ? 0 : 2;
}

int Show(bool warm, bool keepOpen) {
  Stage stage;
  const Summoned summoned = SummonOnce(stage, warm);
  if (!summoned.ok) return 1;
  std::printf("shown in %.1f ms\nfield: %ls\n", summoned.ms, FieldText(summoned.box).c_str());
  if (keepOpen) return 0;
  return CloseBox(summoned.box, warm) ? 0 : 2;
}


void PrintMemory(const char* what, HWND window) {
  DWORD process = 0;
  if (window == nullptr || ::GetWindowThreadProcessId(window, &process) == 0) {
    std::printf("%s: not running\n", what);
    return;
  }
  HANDLE handle = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process);
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  if (handle == nullptr ||
      !::GetProcessMemoryInfo(handle, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters))) {
    std::printf("%s: no memory figures\n", what);
  } else {
    // Wine leaves PrivateUsage at 0; the page file usage is the same commit charge.
    const SIZE_T privateBytes =
        counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
    std::printf("%s: working set %.1f MB, private bytes %.1f MB\n", what,
                static_cast<double>(counters.WorkingSetSize) / 1048576.0,
                static_cast<double>(privateBytes) / 1048576.0);
  }
  if (handle != nullptr) ::CloseHandle(handle);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int at = 1;
  bool warm = true;
  if (at < argc && std::wcscmp(argv[at], L"cold") == 0) {
    warm = false;
    ++at;
  } else if (at < argc && std::wcscmp(argv[at], L"warm") == 0) {
    ++at;
  }
  const int left = argc - at;
  if (left >= 5 && std::wcscmp(argv[at], L"type") == 0) {
    return Type(warm, std::max(1, _wtoi(argv[at + 1])), _wtof(argv[at + 2]), argv[at + 3],
                _wtof(argv[at + 4]));
  }
  if (left >= 3 && std::wcscmp(argv[at], L"bench") == 0) {
    return Bench(warm, std::max(1, _wtoi(argv[at + 1])), argv[at + 2], left >= 4 ? argv[at + 3] : L"");
  }
  if (left >= 1 && std::wcscmp(argv[at], L"show") == 0) return Show(warm, false);
  if (left >= 1 && std::wcscmp(argv[at], L"open") == 0) return Show(warm, true);
  if (left >= 1 && std::wcscmp(argv[at], L"twice") == 0) return SummonTwice(warm);
  if (left >= 1 && std::wcscmp(argv[at], L"settings") == 0) return SettingsAndBack(warm);
  if (left >= 1 && std::wcscmp(argv[at], L"parents") == 0) return Parents();
  if (left >= 1 && std::wcscmp(argv[at], L"memory") == 0) {
    if (warm) WaitFor([] { return ReadyBox() != nullptr; }, 20'000);
    PrintMemory("ready box", ReadyBox());
    PrintMemory("host", Host());
    return 0;
  }
  std::fprintf(stderr,
               "usage: summon_probe [warm|cold] type <rounds> <pause ms> <words> <ms per key>\n"
               "       summon_probe [warm|cold] bench <rounds> <minimal_window.exe> [bare.exe]\n"
               "       summon_probe [warm|cold] show|open\n"
               "       summon_probe [warm|cold] twice|settings\n"
               "       summon_probe parents\n"
               "       summon_probe memory\n");
  return 2;
}
