// The Win32 edge: UTF-16 portable text to and from wchar_t (also UTF-16 on Windows).
#pragma once

#include <string>
#include <string_view>

namespace brimlet::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring ToWide(std::u16string_view text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}
inline std::u16string FromWide(std::wstring_view text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}
inline const wchar_t* AsWide(const std::u16string& text) noexcept {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// A zero-terminated copy on the stack for short texts, for noexcept paths that must not
// allocate (registry names, mutex names). Longer texts come back empty (invalid).
template <size_t N>
class StackWide {
 public:
  explicit StackWide(std::u16string_view text) noexcept {
    if (text.size() >= N) return;
    for (size_t i = 0; i < text.size(); ++i) buffer_[i] = static_cast<wchar_t>(text[i]);
    buffer_[text.size()] = L'\0';
    valid_ = true;
  }
  bool valid() const noexcept { return valid_; }
  const wchar_t* c_str() const noexcept { return buffer_; }

 private:
  wchar_t buffer_[N] = {};
  bool valid_ = false;
};

}  // namespace brimlet::win32
