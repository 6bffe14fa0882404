#include "ports/trace.h"

#include <atomic>
#include <exception>
#include <new>

namespace brimlet {
namespace {

std::atomic<TraceSink> sink{nullptr};

// A fixed line: tracing runs where memory may have run out.
class Line {
 public:
  void Append(std::u16string_view text) noexcept {
    for (char16_t c : text) Put(c);
  }
  // Narrow texts (function names, file names, what()) are shown byte by byte; anything
  // outside ASCII becomes '?'.
  void AppendNarrow(const char* text) noexcept {
    if (text == nullptr) return;
    for (; *text != '\0'; ++text) {
      const auto c = static_cast<unsigned char>(*text);
      Put(c < 0x80 ? static_cast<char16_t>(c) : u'?');
    }
  }
  void AppendNumber(int value) noexcept {
    char digits[12] = {};
    int n = 0;
    unsigned rest = value < 0 ? 0u : static_cast<unsigned>(value);
    do {
      digits[n++] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    } while (rest != 0 && n < 11);
    while (n > 0) Put(static_cast<char16_t>(digits[--n]));
  }
  std::u16string_view View() const noexcept { return {text_, length_}; }

 private:
  void Put(char16_t c) noexcept {
    if (length_ < kCapacity) text_[length_++] = c;
  }
  static constexpr size_t kCapacity = 400;
  char16_t text_[kCapacity] = {};
  size_t length_ = 0;
};

const char* BaseName(const char* path) noexcept {
  if (path == nullptr) return "";
  const char* base = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') base = p + 1;
  }
  return base;
}

}  // namespace

void Trace(std::u16string_view text) noexcept {
  if (const TraceSink current = sink.load()) {
    current(text);
  } else {
    WriteTraceLine(text);
  }
}

TraceSink SetTraceSink(TraceSink next) noexcept { return sink.exchange(next); }

CaughtException TraceCaughtException(const char* function, const char* file, int line) noexcept {
  CaughtException kind = CaughtException::kOther;
  const char* what = "";
  try {
    throw;
  } catch (const std::bad_alloc&) {
    kind = CaughtException::kOutOfMemory;
    what = "out of memory";
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
    what = "an exception of unknown type";
  }
  Line text;
  text.Append(u"Brimlet: ");
  text.AppendNarrow(function);
  text.Append(u" failed (");
  text.AppendNarrow(BaseName(file));
  text.Append(u":");
  text.AppendNumber(line);
  text.Append(u"): ");
  text.AppendNarrow(what);
  Trace(text.View());
  return kind;
}

}  // namespace brimlet
