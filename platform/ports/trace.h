// The one trace facility: a line for a developer (the debugger output on Windows, standard
// error natively), never a log file and never the user's concern. Failures the program
// survives are traced here rather than swallowed.
//
// The catch macros are the boundary where a `noexcept` function meets code that may throw
// (out of memory, mostly): they trace the exception with the function and place it was
// caught in, then go on (LOG) or return (RETURN_VALUE).
//   try { ... } BRIMLET_CATCH_LOG()
//   try { ... } BRIMLET_CATCH_RETURN_VALUE(nullptr)
#pragma once

#include <string_view>

namespace brimlet {

// Writes the text as one line. Never allocates, never throws.
void Trace(std::u16string_view text) noexcept;

// Where trace lines go instead of the platform's output while set (tests read them here);
// null restores the platform's output. Returns the previous sink.
using TraceSink = void (*)(std::u16string_view line) noexcept;
TraceSink SetTraceSink(TraceSink sink) noexcept;

enum class CaughtException { kOutOfMemory, kOther };

// Only inside a catch block: traces the exception being handled ("Brimlet: <function> failed
// (<file>:<line>): <what>") and says what kind it was.
CaughtException TraceCaughtException(const char* function, const char* file, int line) noexcept;

// The platform's own output; defined once per platform.
void WriteTraceLine(std::u16string_view text) noexcept;

}  // namespace brimlet

#define BRIMLET_TRACE_CAUGHT() ::brimlet::TraceCaughtException(__func__, __FILE__, __LINE__)

#define BRIMLET_CATCH_LOG() \
  catch (...) {             \
    BRIMLET_TRACE_CAUGHT(); \
  }

// Variadic, so that a braced value with commas passes whole.
#define BRIMLET_CATCH_RETURN_VALUE(...) \
  catch (...) {                         \
    BRIMLET_TRACE_CAUGHT();             \
    return __VA_ARGS__;                 \
  }
