// The worker side of a box's service suggestions: each request runs on a thread of its own,
// which reaches only a shared mailbox (never the window): it stores the answer there behind
// a lock and posts the window a private message; the window takes the answer on its own
// thread. The window forgets its handle when it goes, and a thread still running (a request
// the schedule gave up) then finishes without posting.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "suggestion_schedule.h"

namespace brimlet::win32 {

class SuggestionFetcher {
 public:
  // `message` (WM_APP range for dialogs) arrives with the request's id in wParam.
  SuggestionFetcher(HWND window, UINT message);
  SuggestionFetcher(const SuggestionFetcher&) = delete;
  SuggestionFetcher& operator=(const SuggestionFetcher&) = delete;
  ~SuggestionFetcher();

  // Starts the request on a thread of its own (through the download helper: no cookies, no
  // cache, the answer capped at kMaxSuggestionAnswerBytes while it arrives, the time limit
  // of the schedule). False when no thread could start; the request counts as answered then.
  bool Start(const SuggestionRequest& request) noexcept;

  // On the window's thread, when the message for `id` arrived: the suggestions the answer
  // held (none when it failed or was refused). Older answers still kept are dropped.
  std::vector<std::u16string> Take(uint32_t id) noexcept;

  // The window is going: nothing is posted from here on.
  void Forget() noexcept;

 private:
  struct Mailbox;
  std::shared_ptr<Mailbox> mailbox_;
};

}  // namespace brimlet::win32
