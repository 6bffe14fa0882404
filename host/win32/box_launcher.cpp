#include "win32/box_launcher.h"

#include <algorithm>

#include "protocol/summon_protocol.h"
#include "win32/host_job.h"
#include "win32/trace.h"

namespace brimlet::win32 {
namespace {

void CALLBACK OnProcessEnded(PVOID context, BOOLEAN) noexcept {
  // A thread-pool thread: it only posts, the host's window does the rest.
  const auto* wait = static_cast<const BoxLauncherWait*>(context);
  ::PostMessageW(wait->host, kBoxEndedMessage, wait->processId, 0);
}

ReadyBoxEnd ReadyEndOf(DWORD exitCode) noexcept {
  switch (static_cast<int>(exitCode)) {
    case summon::kReadyExitClosed:
      return ReadyBoxEnd::kClosedAfterShow;
    case summon::kReadyExitGaveWay:
      return ReadyBoxEnd::kGaveWay;
    case summon::kReadyExitCannotPrepare:
      return ReadyBoxEnd::kCannotPrepare;
    default:
      return ReadyBoxEnd::kUnexpected;
  }
}

}  // namespace

BoxLauncher::BoxLauncher(HWND host, std::wstring program, Settings& settings) noexcept
    : host_(host), program_(std::move(program)), settings_(settings) {
  job_.reset(CreateHostJob());
  if (!job_) Trace(u"Tessiv: no job object: box processes may outlive the host");
}

BoxLauncher::~BoxLauncher() {
  for (Child& child : children_) Unwait(child);
  // Closing the job's only handle ends every process in it.
  job_.reset();
}

void BoxLauncher::Unwait(Child& child) noexcept {
  // Waits for a callback that is running, so its context outlives it.
  if (child.wait != nullptr) ::UnregisterWaitEx(child.wait, INVALID_HANDLE_VALUE);
  child.wait = nullptr;
}

void BoxLauncher::OnHostStarted() noexcept { Apply(supply_.OnHostStarted(Prepare())); }

void BoxLauncher::OnSummon(WPARAM kind) noexcept {
  if (kind == summon::kStartSettingsFromBox) {
    Start(Kind::kSettings, summon::kSettingsFromBoxArguments);
    return;
  }
  if (kind == summon::kStartBoxFromSettings) {
    // The box the dialog hands back to is started as it asks (it is not counted again).
    Apply(supply_.OnSummon(Prepare(), true), summon::kBoxFromSettingsArguments);
    return;
  }
  Apply(supply_.OnSummon(Prepare(), kind == summon::kSummonCold));
}

void BoxLauncher::OnReadyReported(DWORD processId, HWND window) noexcept {
  Child* ready = ReadyChild();
  // Only the process started as the ready box is believed, and only about its own window.
  if (ready == nullptr || ready->processId != processId) return;
  DWORD owner = 0;
  if (!::IsWindow(window) || ::GetWindowThreadProcessId(window, &owner) == 0 ||
      owner != processId) {
    return;
  }
  ready->window = window;
  supply_.OnReadyReported();
}

void BoxLauncher::OnBoxEnded(DWORD processId) noexcept {
  const auto found = std::find_if(children_.begin(), children_.end(),
                                  [&](const Child& c) { return c.processId == processId; });
  if (found == children_.end()) return;
  DWORD exitCode = 0;
  ::GetExitCodeProcess(found->process.get(), &exitCode);
  const Kind kind = found->kind;
  Unwait(*found);
  children_.erase(found);
  if (kind == Kind::kCold) {
    Apply(supply_.OnColdEnded(Prepare()));
  } else if (kind == Kind::kReady) {
    const ReadyBoxEnd how = ReadyEndOf(exitCode);
    if (how == ReadyBoxEnd::kUnexpected) Trace(u"Tessiv: the ready box ended unexpectedly");
    Apply(supply_.OnReadyEnded(how, Prepare()));
  }
}

std::vector<DWORD> BoxLauncher::RunningBoxes() const {
  std::vector<DWORD> ids;
  for (const Child& child : children_) ids.push_back(child.processId);
  return ids;
}

BoxLauncher::Child* BoxLauncher::ReadyChild() noexcept {
  const auto found = std::find_if(children_.begin(), children_.end(),
                                  [](const Child& c) { return c.kind == Kind::kReady; });
  return found == children_.end() ? nullptr : &*found;
}

void BoxLauncher::Apply(const BoxActions& actions, std::wstring_view coldArguments) noexcept {
  if (actions.endReady) {
    if (Child* ready = ReadyChild()) {
      ready->kind = Kind::kDismissed;
      // It holds nothing yet: no mutex, nothing written.
      ::TerminateProcess(ready->process.get(), 0);
    }
  }
  if (actions.showReady) {
    Child* ready = ReadyChild();
    if (ready != nullptr && ready->window != nullptr) {
      // The summon's right to the foreground, passed on to the process that shows the box.
      ::AllowSetForegroundWindow(ready->processId);
      if (::PostMessageW(ready->window, summon::kSummonMessage, summon::kSummonAsked, 0)) return;
    }
    // Its window went away under us: a box must still come.
    Apply(supply_.OnSummon(Prepare(), true));
    return;
  }
  if (actions.startCold && !Start(Kind::kCold, coldArguments)) {
    Apply(supply_.OnColdEnded(false));
  }
  if (actions.startReady && !Start(Kind::kReady)) {
    supply_.OnReadyEnded(ReadyBoxEnd::kCannotPrepare, false);
  }
}

bool BoxLauncher::Start(Kind kind, std::wstring_view arguments) noexcept {
  try {
    const bool ready = kind == Kind::kReady;
    if (arguments.empty()) arguments = ready ? L"/ready" : L"/search";
    std::wstring commandLine = L"\"" + program_ + L"\" " + std::wstring(arguments);
    const std::wstring folder = program_.substr(0, program_.find_last_of(L'\\') + 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    // A box prepared in the background shows no busy cursor.
    startup.dwFlags = ready ? STARTF_FORCEOFFFEEDBACK : STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    // Suspended until it is in the job, so nothing it starts escapes before.
    const DWORD flags = CREATE_SUSPENDED | (ready ? IDLE_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags,
                          nullptr, folder.c_str(), &startup, &process)) {
      Trace(u"Tessiv: Brimlet.exe could not be started");
      return false;
    }
    Child child{kind, UniqueHandle(process.hProcess), process.dwProcessId};
    if (job_ && !::AssignProcessToJobObject(job_.get(), process.hProcess)) {
      Trace(u"Tessiv: a box process is outside the job");
    }
    // A cold box takes the foreground the summon gave the host.
    if (!ready) ::AllowSetForegroundWindow(process.dwProcessId);
    ::ResumeThread(process.hThread);
    ::CloseHandle(process.hThread);
    child.context = std::make_unique<BoxLauncherWait>(BoxLauncherWait{host_, process.dwProcessId});
    if (!::RegisterWaitForSingleObject(&child.wait, child.process.get(), &OnProcessEnded,
                                       child.context.get(), INFINITE,
                                       WT_EXECUTEONLYONCE | WT_EXECUTEINWAITTHREAD)) {
      child.wait = nullptr;
    }
    children_.push_back(std::move(child));
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

}  // namespace brimlet::win32
