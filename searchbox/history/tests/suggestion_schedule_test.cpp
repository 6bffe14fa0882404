// The suggestion fetch schedule, driven with explicit ticks: each scenario is a list of steps
// (field changes, polls, answers) with what the schedule must say at each.
#include "suggestion_schedule.h"

#include <gtest/gtest.h>

#include <vector>

#include "text/utf16.h"

namespace brimlet {
namespace {

constexpr std::u16string_view kAddress = u"http://127.0.0.1:8080/s?q=";
constexpr std::u16string_view kOtherAddress = u"https://other.example/s?q=";

struct Step {
  enum Kind { kInput, kPoll, kAnswer, kWake, kStop } kind;
  uint32_t at;
  std::u16string words;          // kInput; kPoll: the words requested, empty for none
  std::u16string address;        // kInput
  bool composing = false;        // kInput
  size_t request = 0;            // kAnswer: which request (0 = the first made)
  bool shown = false;            // kAnswer
  std::optional<uint32_t> wake;  // kWake
};

Step Type(uint32_t at, std::u16string words, std::u16string_view address = kAddress) {
  return {Step::kInput, at, std::move(words), std::u16string(address)};
}
Step Compose(uint32_t at, std::u16string words) {
  return {Step::kInput, at, std::move(words), std::u16string(kAddress), true};
}
Step Poll(uint32_t at, std::u16string requested = {}) {
  return {Step::kPoll, at, std::move(requested)};
}
Step Answer(uint32_t at, size_t request, bool shown) {
  return {Step::kAnswer, at, {}, {}, false, request, shown};
}
Step Wake(uint32_t at, std::optional<uint32_t> in) {
  return {Step::kWake, at, {}, {}, false, 0, false, in};
}
Step Stop(uint32_t at) { return {Step::kStop, at}; }

struct Scenario {
  const char* what;
  bool enabled;
  std::vector<Step> steps;
};

void RunScenario(const Scenario& s, uint32_t base) {
  SuggestionSchedule schedule(s.enabled);
  std::vector<SuggestionRequest> made;
  for (size_t i = 0; i < s.steps.size(); ++i) {
    const Step& step = s.steps[i];
    SCOPED_TRACE(::testing::Message() << "step " << i << " at " << step.at);
    const uint32_t now = base + step.at;  // wraps for a base near the tick's end
    switch (step.kind) {
      case Step::kInput:
        schedule.OnInput(now, step.words, step.address, step.composing);
        break;
      case Step::kPoll: {
        const auto request = schedule.Poll(now);
        EXPECT_EQ(Utf16ToUtf8(request ? request->words : u""), Utf16ToUtf8(step.words));
        if (request) {
          EXPECT_NE(request->id, 0u);
          EXPECT_TRUE(request->address.starts_with(u"http"));
          for (const auto& earlier : made) EXPECT_NE(earlier.id, request->id);
          made.push_back(*request);
        }
        break;
      }
      case Step::kAnswer:
        ASSERT_LT(step.request, made.size());
        EXPECT_EQ(schedule.OnAnswer(now, made[step.request].id), step.shown);
        break;
      case Step::kWake:
        EXPECT_EQ(schedule.NextWakeIn(now), step.wake);
        break;
      case Step::kStop:
        schedule.Stop();
        break;
    }
  }
}

TEST(SuggestionSchedule, RequestsOnlyWhenDueAndShowsOnlyCurrentAnswers) {
  const Scenario scenarios[] = {
      {"typing tokyo at 20 ms a key makes one request, for tokyo, 200 ms after the last key",
       true,
       {Type(0, u"t"), Poll(0), Type(20, u"to"), Poll(20), Type(40, u"tok"), Type(60, u"toky"),
        Type(80, u"tokyo"), Poll(100), Wake(100, 180), Poll(279), Poll(280, u"tokyo"), Poll(300),
        Wake(300, 1980), Answer(350, 0, true), Poll(1000), Wake(1000, std::nullopt)}},
      {"the setting off: never a request",
       false,
       {Type(0, u"tokyo"), Poll(500), Wake(500, std::nullopt), Type(600, u"tokyo tower"),
        Poll(5000)}},
      {"no request without an http/https address or without words",
       true,
       {Type(0, u"tokyo", u""), Poll(500), Type(600, u"tokyo", u"ftp://example.test/?q=tokyo"),
        Poll(1000), Type(1100, u"tokyo", u"file:///c:/x"), Poll(1500),
        Type(1600, u"tokyo", u"C:\\Windows\\notepad.exe"), Poll(2000), Type(2100, u""), Poll(3000),
        Wake(3000, std::nullopt)}},
      {"never while the input method composes; the committed words 200 ms later",
       true,
       {Compose(0, u"とうきょう"), Poll(300), Wake(300, std::nullopt), Compose(400, u"東京"),
        Poll(700), Type(800, u"東京"), Poll(999), Poll(1000, u"東京")}},
      {"reporting an unchanged field does not restart the quiet time",
       true,
       {Type(0, u"a"), Type(150, u"a"), Poll(200, u"a"), Answer(300, 0, true), Type(350, u"a"),
        Poll(600), Wake(600, std::nullopt)}},
      {"one request in flight; an answer for older words is dropped, then the new words",
       true,
       {Type(0, u"a"), Poll(200, u"a"), Type(250, u"ab"), Poll(450), Poll(900), Wake(900, 1300),
        Answer(1000, 0, false), Wake(1000, 0), Poll(1000, u"ab"), Answer(1100, 1, true)}},
      {"back to the requested words before the answer: it is shown",
       true,
       {Type(0, u"a"), Poll(200, u"a"), Type(250, u"ab"), Type(300, u"a"), Answer(350, 0, true),
        Poll(600)}},
      {"after 2 s the request counts as lost: its late answer is dropped",
       true,
       {Type(0, u"a"), Poll(200, u"a"), Type(300, u"ab"), Poll(2199), Wake(2199, 1),
        Poll(2200, u"ab"), Answer(2300, 0, false), Answer(2400, 1, true)}},
      {"an answer at the limit, before any poll noticed it, is dropped",
       true,
       {Type(0, u"a"), Poll(200, u"a"), Answer(2200, 0, false), Poll(3000)}},
      {"another engine while in flight: the answer is dropped, the new engine asked",
       true,
       {Type(0, u"a"), Poll(200, u"a"), Type(300, u"a", kOtherAddress), Answer(400, 0, false),
        Poll(499), Poll(500, u"a")}},
      {"a composition begun while in flight drops the answer",
       true,
       {Type(0, u"a"), Poll(200, u"a"), Compose(300, u"aか"), Answer(400, 0, false), Poll(800)}},
      {"stopped: nothing pending, the answer still to come dropped",
       true,
       {Type(0, u"a"), Poll(200, u"a"), Type(300, u"ab"), Stop(350), Answer(400, 0, false),
        Poll(1000), Wake(1000, std::nullopt)}},
      {"answers for a lost request, or a second answer, are dropped",
       true,
       {Type(0, u"a"), Poll(200, u"a"), Type(300, u"ab"), Poll(2500, u"ab"), Answer(2600, 0, false),
        Answer(2700, 1, true), Answer(2800, 1, false)}},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.what);
    RunScenario(s, 0);
    SCOPED_TRACE("with the tick wrapping during the scenario");
    RunScenario(s, 0xFFFFFF00u);
  }
}

}  // namespace
}  // namespace brimlet
