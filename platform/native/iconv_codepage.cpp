#include "native/iconv_codepage.h"

#include <errno.h>
#include <iconv.h>

#include <cstring>
#include <vector>

#include "text/utf16.h"

namespace brimlet {
namespace {

const char* IconvName(uint32_t codePage) noexcept {
  switch (codePage) {
    case code_page::kShiftJis:
      return "CP932";
    case code_page::kEucJp:
      return "EUC-JP";
    case code_page::kUtf8:
      return "UTF-8";
    default:
      return nullptr;
  }
}

class Iconv {
 public:
  Iconv(const char* to, const char* from) noexcept : cd_(::iconv_open(to, from)) {}
  ~Iconv() {
    if (valid()) ::iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool valid() const noexcept { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // Converts as much as it can; false with `in` at the offending input on an invalid or
  // incomplete sequence.
  bool Convert(const char*& in, size_t& inLeft, std::string& out) {
    char buffer[256];
    while (inLeft > 0) {
      char* outPtr = buffer;
      size_t outLeft = sizeof(buffer);
      const size_t rc = ::iconv(cd_, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<size_t>(outPtr - buffer));
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) return false;
    }
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::optional<std::string> IconvCodePageConverter::FromUtf16(std::u16string_view text,
                                                             uint32_t codePage) const {
  if (codePage == code_page::kAnsi) codePage = ansiCodePage_;
  const char* name = IconvName(codePage);
  if (name == nullptr) return std::nullopt;
  if (codePage == code_page::kUtf8) return Utf16ToUtf8(text);  // unpaired surrogates: U+FFFD
  if (text.empty()) return std::string();
  Iconv cd(name, "UTF-16LE");
  if (!cd.valid()) return std::nullopt;
  std::vector<char> bytes(text.size() * 2);
  std::memcpy(bytes.data(), text.data(), bytes.size());
  const char* in = bytes.data();
  size_t inLeft = bytes.size();
  std::string out;
  // As the platform does without best fit: each code unit it cannot map becomes "?".
  while (!cd.Convert(in, inLeft, out)) {
    out.push_back('?');
    in += 2;
    inLeft -= 2;
  }
  return out;
}

std::optional<std::u16string> IconvCodePageConverter::ToUtf16(std::string_view bytes,
                                                              uint32_t codePage) const {
  if (codePage == code_page::kAnsi) codePage = ansiCodePage_;
  const char* name = IconvName(codePage);
  if (name == nullptr) return std::nullopt;
  if (bytes.empty()) return std::u16string();
  Iconv cd("UTF-16LE", name);
  if (!cd.valid()) return std::nullopt;
  const char* in = bytes.data();
  size_t inLeft = bytes.size();
  std::string out;
  if (!cd.Convert(in, inLeft, out)) return std::nullopt;
  std::u16string text(out.size() / 2, u'\0');
  std::memcpy(text.data(), out.data(), text.size() * 2);
  return text;
}

}  // namespace brimlet
