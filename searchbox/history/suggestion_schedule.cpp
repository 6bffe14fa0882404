#include "suggestion_schedule.h"

#include "text/web_address.h"

namespace brimlet {
namespace {

// The tick wraps after about 49.7 days; unsigned subtraction still gives the elapsed time.
constexpr uint32_t Elapsed(uint32_t now, uint32_t since) noexcept { return now - since; }

}  // namespace

void SuggestionSchedule::OnInput(uint32_t now, std::u16string_view words,
                                 std::u16string_view address, bool composing) {
  if (words == words_ && address == address_ && composing == composing_) return;
  words_ = words;
  address_ = address;
  composing_ = composing;
  changedAt_ = now;
  // The address gate here is the only one: what fails it is never requested.
  pending_ = enabled_ && !composing && !words.empty() && IsWebAddress(address);
}

std::optional<SuggestionRequest> SuggestionSchedule::Poll(uint32_t now) {
  if (inFlight_ && Elapsed(now, inFlight_->startedAt) >= kSuggestionTimeLimitMs) {
    inFlight_.reset();
  }
  if (!pending_ || inFlight_ || Elapsed(now, changedAt_) < kSuggestionQuietMs) {
    return std::nullopt;
  }
  pending_ = false;
  if (++lastId_ == 0) lastId_ = 1;
  inFlight_ = InFlight{lastId_, now, words_, address_};
  return SuggestionRequest{lastId_, words_, address_};
}

bool SuggestionSchedule::OnAnswer(uint32_t now, uint32_t id) {
  if (!inFlight_ || inFlight_->id != id) return false;
  const bool wanted = Elapsed(now, inFlight_->startedAt) < kSuggestionTimeLimitMs && !composing_ &&
                      inFlight_->words == words_ && inFlight_->address == address_;
  inFlight_.reset();
  // The field's words have their answer; the lost or dropped ones are not asked again
  // until the field changes.
  if (wanted) pending_ = false;
  return wanted;
}

std::optional<uint32_t> SuggestionSchedule::NextWakeIn(uint32_t now) const {
  if (inFlight_) {
    const uint32_t spent = Elapsed(now, inFlight_->startedAt);
    return spent >= kSuggestionTimeLimitMs ? 0 : kSuggestionTimeLimitMs - spent;
  }
  if (!pending_) return std::nullopt;
  const uint32_t quiet = Elapsed(now, changedAt_);
  return quiet >= kSuggestionQuietMs ? 0 : kSuggestionQuietMs - quiet;
}

void SuggestionSchedule::Stop() noexcept {
  pending_ = false;
  inFlight_.reset();
}

}  // namespace brimlet
