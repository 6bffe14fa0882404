// What both box designs do alike to offer a search service's suggestions: the field's words
// go to the schedule, its requests to the worker, and the answers it accepts are kept for
// the words they answer. The box's window gets the worker's message and the timer, and
// hands both here.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "box_session.h"
#include "suggestion_fetcher.h"
#include "suggestion_schedule.h"

namespace brimlet::win32 {

class BoxSuggestions {
 public:
  // `message` (WM_APP range) and `timer` are the window's own for this.
  BoxSuggestions(HWND window, UINT message, UINT_PTR timer);
  BoxSuggestions(const BoxSuggestions&) = delete;
  BoxSuggestions& operator=(const BoxSuggestions&) = delete;
  ~BoxSuggestions();

  // The field as it is now: what a search would ask about and whether the input method
  // composes. A field the user filled from the list asks nothing (`ask` false).
  void OnField(const BoxSession::SuggestionTarget& target, bool composing,
               bool ask = true) noexcept;
  // The window's timer fired; the field's state is reported again first.
  void OnTimer(const BoxSession::SuggestionTarget& target, bool composing) noexcept;
  // The window's message arrived: true when the answer is the field's and is to be shown.
  bool OnAnswer(WPARAM id) noexcept;
  // The service's suggestions for these words: the last accepted answer's, or none when it
  // answered other words.
  std::vector<std::u16string> For(std::u16string_view words) const;
  // The window goes: no request, timer or answer from here on.
  void Stop() noexcept;

 private:
  void Arm() noexcept;

  HWND window_;
  UINT_PTR timer_;
  SuggestionSchedule schedule_{true};
  SuggestionFetcher fetcher_;
  std::vector<std::u16string> answer_;
  std::u16string answered_;  // the words of answer_
  std::u16string fieldWords_;
};

}  // namespace brimlet::win32
