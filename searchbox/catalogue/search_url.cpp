#include "search_url.h"

#include "text/utf16.h"

namespace brimlet {
namespace {

constexpr std::u16string_view kSearchTerms = u"{searchTerms}";

bool IsSafe(unsigned char c) noexcept {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '!' ||
         c == '\'' || c == '(' || c == ')' || c == '*' || c == '-' || c == '.' || c == '/' ||
         c == ':' || c == '_' || c == '~';
}

uint32_t CodePageFor(std::u16string_view encoding) noexcept {
  if (EqualsIgnoreAsciiCase(encoding, u"utf-16")) return code_page::kUtf8;
  if (EqualsIgnoreAsciiCase(encoding, u"euc-jp")) return code_page::kEucJp;
  if (EqualsIgnoreAsciiCase(encoding, u"utf-8")) return code_page::kUtf8;
  return code_page::kAnsi;
}

std::u16string Segment(const ICodePageConverter& converter, const ISearchEngineParameter& parameter,
                       std::u16string_view words) {
  const std::u16string key = parameter.GetKey();
  switch (parameter.GetType()) {
    case parameter_type::kStatic:
      if (auto* p = dynamic_cast<const IStaticSearchEngineParameter*>(&parameter)) {
        return key + u"=" + p->GetValue();
      }
      break;
    case parameter_type::kVariable:
      return key + u"=";
    case parameter_type::kEncoded:
      if (auto* p = dynamic_cast<const IEncodedSearchEngineParameter*>(&parameter)) {
        return key + u"=" + EncodeSearchWords(converter, words, p->GetEncode());
      }
      break;
    case parameter_type::kEncodedEx:
      if (auto* p = dynamic_cast<const IEncodedSearchEngineParameterEx*>(&parameter)) {
        // The words become the value of a nested key=value pair, so they are escaped once
        // for that pair and once more for the outer query: every "%" turns into %25.
        const std::u16string once = EncodeSearchWords(converter, words, p->GetEncode());
        const std::u16string again = EncodeSearchWords(converter, once, u"utf-8");
        const std::u16string twice = AsciiToUtf16(UrlEscape(Utf16ToUtf8(again), true));
        return key + u"=" + p->GetLeadingValue() + p->GetValueKey() + u"%3d" + twice +
               p->GetTrailingValue();
      }
      break;
    default:
      break;
  }
  return {};
}

}  // namespace

namespace {

std::u16string EncodeWordsIn(const ICodePageConverter& converter, std::u16string_view words,
                             uint32_t codePage) {
  if (words.empty()) return {};
  const auto bytes = converter.FromUtf16(words, codePage);
  if (!bytes || bytes->empty()) return {};
  return AsciiToUtf16(UrlEscape(*bytes, false));
}

}  // namespace

std::string UrlEscape(std::string_view bytes, bool escapePercent) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (IsSafe(c) || (c == '%' && !escapePercent)) {
      out.push_back(ch);
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 0x0F]);
    }
  }
  return out;
}

std::u16string EncodeSearchWords(const ICodePageConverter& converter, std::u16string_view words,
                                 std::u16string_view encoding) {
  return EncodeWordsIn(converter, words, CodePageFor(encoding));
}

std::optional<uint32_t> UserServiceCodePage(std::u16string_view encoding) noexcept {
  if (EqualsIgnoreAsciiCase(encoding, u"utf-8")) return code_page::kUtf8;
  if (EqualsIgnoreAsciiCase(encoding, u"shift_jis")) return code_page::kShiftJis;
  if (EqualsIgnoreAsciiCase(encoding, u"euc-jp")) return code_page::kEucJp;
  return std::nullopt;
}

std::u16string FillUrlTemplate(const ICodePageConverter& converter, std::u16string_view urlTemplate,
                               uint32_t codePage, std::u16string_view words) {
  const std::u16string escaped = EncodeWordsIn(converter, words, codePage);
  std::u16string text(urlTemplate);
  for (size_t at = text.find(kSearchTerms); at != std::u16string::npos;
       at = text.find(kSearchTerms, at + escaped.size())) {
    text.replace(at, kSearchTerms.size(), escaped);
  }
  return text;
}

std::u16string BuildSearchUrl(const ICodePageConverter& converter, const ISearchEngineItem& engine,
                              std::u16string_view words) {
  if (const std::u16string urlTemplate = engine.GetUrlTemplate(); !urlTemplate.empty()) {
    const auto codePage = UserServiceCodePage(engine.GetEncoding());
    if (!codePage) return {};
    return FillUrlTemplate(converter, urlTemplate, *codePage, words);
  }
  std::u16string query;
  if (const ISearchEngineParameterList* parameters = engine.GetParameters()) {
    for (size_t i = 0; i < parameters->GetCount(); ++i) {
      const ISearchEngineParameter* parameter = parameters->GetAt(i);
      if (parameter == nullptr) continue;
      const std::u16string segment = Segment(converter, *parameter, words);
      if (segment.empty()) continue;
      if (!query.empty()) query += u'&';
      query += segment;
    }
  }
  return engine.GetHost() + engine.GetPath() + query;
}

std::optional<std::u16string> BuildSuggestionUrl(const ICodePageConverter& converter,
                                                 std::u16string_view urlTemplate,
                                                 std::u16string_view words) {
  const auto utf8 = converter.FromUtf16(words, code_page::kUtf8);
  if (!utf8 || utf8->empty()) return std::nullopt;
  const std::u16string escaped = AsciiToUtf16(UrlEscape(*utf8, false));

  // The template passes through the ANSI code page, so characters outside it become its
  // default character. The replacement itself works on whole characters: done on the
  // bytes, a "{" that is the trail byte of a double-byte character could start a match.
  const auto ansi = converter.FromUtf16(urlTemplate, code_page::kAnsi);
  if (!ansi) return std::nullopt;
  auto text = converter.ToUtf16(*ansi, code_page::kAnsi);
  if (!text) return std::nullopt;
  for (size_t at = text->find(kSearchTerms); at != std::u16string::npos;
       at = text->find(kSearchTerms, at + escaped.size())) {
    text->replace(at, kSearchTerms.size(), escaped);
  }
  return text;
}

}  // namespace brimlet
