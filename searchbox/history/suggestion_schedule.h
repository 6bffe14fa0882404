// When a box asks its search service for suggestions: a plain object that the box feeds with
// every change of its field and the clock's millisecond tick, and that says when to start a
// request and whether an answer is still wanted. It starts no thread and no timer itself.
//
// Rules: nothing at all when the setting is off or the engine has no http/https suggestion
// address; nothing while the input method composes; a request only after 200 ms without a
// change; at most one request in flight, which counts as lost after 2 s; an answer is shown
// only when it is for the request in flight and that request's words and address are still
// the field's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brimlet {

inline constexpr uint32_t kSuggestionQuietMs = 200;
// The worker gives up on its request at the same limit.
inline constexpr uint32_t kSuggestionTimeLimitMs = 2000;

struct SuggestionRequest {
  uint32_t id = 0;  // never 0
  std::u16string words;
  std::u16string address;  // the filled-in suggestion address, http or https
};

class SuggestionSchedule {
 public:
  // `enabled`: the "SearchSuggestions" setting as the box read it.
  explicit SuggestionSchedule(bool enabled) noexcept : enabled_(enabled) {}

  // The field as it is now (`now`: the clock's tick): its committed words, the current
  // engine's suggestion address filled in with them (empty when the engine has none), and
  // whether the input method holds a composition. Reporting an unchanged field changes
  // nothing, so a box may report on every poll.
  void OnInput(uint32_t now, std::u16string_view words, std::u16string_view address,
               bool composing);

  // The request to start now, if one is due; it is then the request in flight.
  std::optional<SuggestionRequest> Poll(uint32_t now);

  // The worker finished request `id` (answered or failed). True when its answer is to be
  // shown; either way the request is no longer in flight.
  bool OnAnswer(uint32_t now, uint32_t id);

  // Milliseconds until Poll has something to decide (a request due or the one in flight
  // running out of time); nothing while there is nothing to wait for.
  std::optional<uint32_t> NextWakeIn(uint32_t now) const;

  // The box closes or stops suggesting: nothing pending, any answer still to come dropped.
  void Stop() noexcept;

 private:
  struct InFlight {
    uint32_t id;
    uint32_t startedAt;
    std::u16string words;
    std::u16string address;
  };

  bool enabled_;
  std::u16string words_;
  std::u16string address_;
  bool composing_ = false;
  uint32_t changedAt_ = 0;
  bool pending_ = false;  // the field's words still want a request
  std::optional<InFlight> inFlight_;
  uint32_t lastId_ = 0;
};

}  // namespace brimlet
