// The trace line a caught exception leaves, and the catch macros' answers.
#include "ports/trace.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

namespace brimlet {
namespace {

std::u16string lastLine;

void Record(std::u16string_view line) noexcept { lastLine = line; }

int Risky(int kind) noexcept {
  try {
    if (kind == 1) throw std::runtime_error("the disk is full");
    if (kind == 2) throw std::bad_alloc();
    if (kind == 3) throw 5;
    return 1;
  }
  BRIMLET_CATCH_RETURN_VALUE(-kind)
}

bool logged = false;
void Logged() noexcept {
  try {
    throw std::logic_error(std::string(600, 'x'));  // longer than a trace line holds
  }
  BRIMLET_CATCH_LOG()
  logged = true;
}

TEST(Trace, ACaughtExceptionIsTracedWithItsFunctionPlaceAndWhat) {
  const TraceSink previous = SetTraceSink(&Record);
  struct Case {
    int kind;
    int answer;
    const char16_t* what;
  };
  const Case cases[] = {
      {0, 1, u""},
      {1, -1, u"): the disk is full"},
      {2, -2, u"): out of memory"},
      {3, -3, u"): an exception of unknown type"},
  };
  for (const Case& c : cases) {
    lastLine.clear();
    EXPECT_EQ(Risky(c.kind), c.answer) << c.kind;
    if (c.kind == 0) {
      EXPECT_TRUE(lastLine.empty());
      continue;
    }
    EXPECT_EQ(lastLine.rfind(u"Brimlet: Risky failed (trace_test.cpp:", 0), 0u) << c.kind;
    EXPECT_NE(lastLine.find(c.what), std::u16string::npos) << c.kind;
  }
  Logged();
  EXPECT_TRUE(logged) << "CATCH_LOG goes on after the handler";
  EXPECT_EQ(lastLine.rfind(u"Brimlet: Logged failed (trace_test.cpp:", 0), 0u);
  EXPECT_LE(lastLine.size(), 400u);
  EXPECT_EQ(SetTraceSink(previous), &Record);
}

}  // namespace
}  // namespace brimlet
