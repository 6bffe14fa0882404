#include "win32/message_loop.h"

#include "win32/trace.h"

namespace brimlet::win32 {

bool MessageLoop::Filter(MSG& msg) noexcept {
  // Newest filter first, as the window created last is the one in front. A filter may add
  // or remove filters while it runs (a list hidden by a key), so walk by position and skip
  // what was removed meanwhile.
  for (size_t i = filters_.size(); i-- > 0;) {
    if (i >= filters_.size()) continue;
    if (filters_[i]->PreTranslateMessage(msg)) return true;
  }
  return false;
}

int MessageLoop::Run() noexcept {
  MSG msg{};
  for (;;) {
    while (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      for (IIdleHandler* handler : idle_) handler->OnIdle();
      ::WaitMessage();
    }
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) continue;  // invalid window handle in a filter; keep the loop alive
    if (!got) break;
    if (!Filter(msg)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return static_cast<int>(msg.wParam);
}

ThreadMessageLoop::ThreadMessageLoop(AppModule& module) noexcept
    : module_(module), registered_(module.AddMessageLoop(&loop_)) {}

ThreadMessageLoop::~ThreadMessageLoop() {
  if (registered_) module_.RemoveMessageLoop();
}

bool AppModule::Init(HINSTANCE instance, const GUID& typeLibrary) noexcept {
  instance_ = instance;
  typeLibrary_ = typeLibrary;
  return instance_ != nullptr;
}

void AppModule::Term() noexcept { loops_.clear(); }

bool AppModule::AddMessageLoop(MessageLoop* loop) noexcept {
  try {
    loops_.emplace_back(::GetCurrentThreadId(), loop);
    return true;
  }
  BRIMLET_CATCH_RETURN_VALUE(false)
}

void AppModule::RemoveMessageLoop() noexcept {
  const DWORD thread = ::GetCurrentThreadId();
  std::erase_if(loops_, [thread](const auto& entry) { return entry.first == thread; });
}

MessageLoop* AppModule::GetMessageLoop() const noexcept {
  const DWORD thread = ::GetCurrentThreadId();
  for (const auto& [id, loop] : loops_) {
    if (id == thread) return loop;
  }
  return nullptr;
}

}  // namespace brimlet::win32
