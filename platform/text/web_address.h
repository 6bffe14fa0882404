// IsWebAddress: the one gate for text that is about to be handed to the shell as an address
// (notice addresses from the network, search addresses, help addresses). The shell runs
// whatever it is given: a file path, a "file:" address or a bare program name starts a
// program, so only an absolute http or https address may pass. Header-only so every library
// can use it without a link dependency.
#pragma once

#include <string_view>

namespace brimlet {

namespace web_address_detail {

constexpr bool StartsWithIgnoreAsciiCase(std::u16string_view text,
                                         std::u16string_view prefix) noexcept {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// Characters that never belong in an address we pass on: control characters (C0, DEL, C1),
// white space (a browser's command line splits there), the double quote (it closes the
// quoted "%1" of a handler's command line) and the backslash (browsers read it as "/", so
// "http://a.example\@b.example" would not go where it seems to).
constexpr bool IsForbidden(char16_t c) noexcept {
  return c <= 0x20 || (c >= 0x7F && c <= 0x9F) || c == u'"' || c == u'\\' || c == 0x3000 ||
         c == 0x2028 || c == 0x2029 || c == 0xFEFF;
}

}  // namespace web_address_detail

// True for "http://host..." or "https://host..." (scheme in any case) with a non-empty host
// and no forbidden character anywhere. The host is what lies between "//" and the first
// "/", "?" or "#", after any "user@" and before any ":port".
constexpr bool IsWebAddress(std::u16string_view text) noexcept {
  using namespace web_address_detail;
  size_t schemeLength = 0;
  if (StartsWithIgnoreAsciiCase(text, u"http://")) {
    schemeLength = 7;
  } else if (StartsWithIgnoreAsciiCase(text, u"https://")) {
    schemeLength = 8;
  } else {
    return false;
  }
  for (char16_t c : text) {
    if (IsForbidden(c)) return false;
  }
  std::u16string_view authority = text.substr(schemeLength);
  authority = authority.substr(0, authority.find_first_of(u"/?#"));
  const size_t at = authority.rfind(u'@');
  std::u16string_view host = at == std::u16string_view::npos ? authority : authority.substr(at + 1);
  // An IPv6 literal keeps its colons inside the brackets.
  const size_t portColon = host.find(u':', host.empty() || host[0] != u'[' ? 0 : host.find(u']'));
  host = host.substr(0, portColon);
  return !host.empty() && host != u"[]";
}

}  // namespace brimlet
