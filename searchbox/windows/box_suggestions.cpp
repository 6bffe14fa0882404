#include "box_suggestions.h"

#include <algorithm>

#include "ports/trace.h"

namespace brimlet::win32 {

BoxSuggestions::BoxSuggestions(HWND window, UINT message, UINT_PTR timer)
    : window_(window), timer_(timer), fetcher_(window, message) {}

BoxSuggestions::~BoxSuggestions() { Stop(); }

void BoxSuggestions::OnField(const BoxSession::SuggestionTarget& target, bool composing,
                             bool ask) noexcept {
  try {
    fieldWords_ = target.words;
    schedule_.OnInput(::GetTickCount(), target.words, ask ? target.address : u"", composing);
  }
  BRIMLET_CATCH_LOG()
  Arm();
}

void BoxSuggestions::OnTimer(const BoxSession::SuggestionTarget& target, bool composing) noexcept {
  ::KillTimer(window_, timer_);
  // The input method may have begun or ended a composition since the last change.
  OnField(target, composing);
  try {
    const uint32_t now = ::GetTickCount();
    if (const std::optional<SuggestionRequest> request = schedule_.Poll(now)) {
      if (!fetcher_.Start(*request)) schedule_.OnAnswer(now, request->id);
    }
  }
  BRIMLET_CATCH_LOG()
  Arm();
}

bool BoxSuggestions::OnAnswer(WPARAM id) noexcept {
  bool shown = false;
  try {
    const auto requestId = static_cast<uint32_t>(id);
    std::vector<std::u16string> answer = fetcher_.Take(requestId);
    // The schedule accepts only an answer for the field's words as they are.
    if (schedule_.OnAnswer(::GetTickCount(), requestId)) {
      answer_ = std::move(answer);
      answered_ = fieldWords_;
      shown = true;
    }
  }
  BRIMLET_CATCH_LOG()
  Arm();
  return shown;
}

std::vector<std::u16string> BoxSuggestions::For(std::u16string_view words) const {
  if (answered_.empty() || words != answered_) return {};
  return answer_;
}

void BoxSuggestions::Stop() noexcept {
  ::KillTimer(window_, timer_);
  fetcher_.Forget();
  schedule_.Stop();
}

void BoxSuggestions::Arm() noexcept {
  const std::optional<uint32_t> wait = schedule_.NextWakeIn(::GetTickCount());
  if (wait) {
    ::SetTimer(window_, timer_, std::max<UINT>(*wait, USER_TIMER_MINIMUM), nullptr);
  } else {
    ::KillTimer(window_, timer_);
  }
}

}  // namespace brimlet::win32
