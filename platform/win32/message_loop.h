// The one message loop of a window thread: registered filters see each message first
// (dialogs call IsDialogMessageW there), idle handlers run while the queue is empty.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace brimlet::win32 {

class IMessageFilter {
 public:
  virtual ~IMessageFilter() = default;
  // True when the message was handled and must not be dispatched.
  virtual bool PreTranslateMessage(MSG& msg) noexcept = 0;
};

class IIdleHandler {
 public:
  virtual ~IIdleHandler() = default;
  virtual void OnIdle() noexcept = 0;
};

class MessageLoop {
 public:
  void AddFilter(IMessageFilter* filter) { filters_.push_back(filter); }
  void RemoveFilter(IMessageFilter* filter) { std::erase(filters_, filter); }
  void AddIdleHandler(IIdleHandler* handler) { idle_.push_back(handler); }
  void RemoveIdleHandler(IIdleHandler* handler) { std::erase(idle_, handler); }

  // Runs until WM_QUIT and returns its exit code.
  int Run() noexcept;

 private:
  bool Filter(MSG& msg) noexcept;

  std::vector<IMessageFilter*> filters_;
  std::vector<IIdleHandler*> idle_;
};

// A filter registered with a loop for a scope: a window that must see its keys first (a
// dialog's IsDialogMessageW) holds one for as long as it lives.
class ScopedMessageFilter {
 public:
  ScopedMessageFilter(MessageLoop& loop, IMessageFilter* filter) : loop_(loop), filter_(filter) {
    loop_.AddFilter(filter_);
  }
  ScopedMessageFilter(const ScopedMessageFilter&) = delete;
  ScopedMessageFilter& operator=(const ScopedMessageFilter&) = delete;
  ~ScopedMessageFilter() { loop_.RemoveFilter(filter_); }

 private:
  MessageLoop& loop_;
  IMessageFilter* filter_;
};

class AppModule;

// The one way a thread runs its windows' loop: the loop is the module's loop of this thread
// (GetMessageLoop finds it) from construction until destruction, and Run runs it to WM_QUIT.
class ThreadMessageLoop {
 public:
  explicit ThreadMessageLoop(AppModule& module) noexcept;
  ThreadMessageLoop(const ThreadMessageLoop&) = delete;
  ThreadMessageLoop& operator=(const ThreadMessageLoop&) = delete;
  ~ThreadMessageLoop();

  MessageLoop& loop() noexcept { return loop_; }
  int Run() noexcept { return loop_.Run(); }

 private:
  AppModule& module_;
  MessageLoop loop_;
  bool registered_ = false;
};

// The process's application module: its instance, its type library and the message loop
// of each window thread.
class AppModule {
 public:
  // False when the module cannot start (the program then ends with 0).
  bool Init(HINSTANCE instance, const GUID& typeLibrary) noexcept;
  void Term() noexcept;
  HINSTANCE Instance() const noexcept { return instance_; }
  const GUID& TypeLibrary() const noexcept { return typeLibrary_; }

  bool AddMessageLoop(MessageLoop* loop) noexcept;
  void RemoveMessageLoop() noexcept;
  MessageLoop* GetMessageLoop() const noexcept;

 private:
  HINSTANCE instance_ = nullptr;
  GUID typeLibrary_{};
  std::vector<std::pair<DWORD, MessageLoop*>> loops_;
};

}  // namespace brimlet::win32
