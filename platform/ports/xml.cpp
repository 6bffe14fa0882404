#include "ports/xml.h"

#include <array>

namespace brimlet::xml_prolog {
namespace {

// Code units of the document as the scanner sees them: bytes for ASCII-compatible
// encodings (markup is ASCII there, and no lead or trail byte of Shift_JIS or EUC-JP is
// '<', '!', '?' or '-'), 16-bit units for UTF-16.
class Units {
 public:
  Units(std::span<const std::byte> bytes, ByteFamily family, size_t skip) noexcept
      : bytes_(bytes), family_(family), skip_(skip) {}
  size_t size() const noexcept {
    const size_t rest = bytes_.size() - skip_;
    return family_ == ByteFamily::kAsciiCompatible ? rest : rest / 2;
  }
  char32_t at(size_t i) const noexcept {
    if (family_ == ByteFamily::kAsciiCompatible) return byte(skip_ + i);
    const size_t b = skip_ + 2 * i;
    return family_ == ByteFamily::kUtf16Le ? byte(b) | (byte(b + 1) << 8)
                                           : (byte(b) << 8) | byte(b + 1);
  }
  // Byte offset of a unit, for the caller that removes text from the raw bytes.
  size_t ByteOffset(size_t i) const noexcept {
    return skip_ + (family_ == ByteFamily::kAsciiCompatible ? i : 2 * i);
  }
  bool StartsWith(size_t i, std::string_view ascii) const noexcept {
    if (i + ascii.size() > size()) return false;
    for (size_t k = 0; k < ascii.size(); ++k) {
      if (at(i + k) != static_cast<unsigned char>(ascii[k])) return false;
    }
    return true;
  }
  // Index just past the first occurrence of the terminator at or after i, or size().
  size_t After(size_t i, std::string_view terminator) const noexcept {
    for (; i < size(); ++i) {
      if (StartsWith(i, terminator)) return i + terminator.size();
    }
    return size();
  }

 private:
  char32_t byte(size_t i) const noexcept { return static_cast<unsigned char>(bytes_[i]); }
  std::span<const std::byte> bytes_;
  ByteFamily family_;
  size_t skip_;
};

bool IsXmlSpace(char32_t c) noexcept { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char LowerAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

struct Start {
  ByteFamily family;
  size_t bomBytes;
};

std::optional<Start> DetectFamily(std::span<const std::byte> bytes) noexcept {
  auto b = [&](size_t i) { return i < bytes.size() ? static_cast<unsigned>(bytes[i]) : 0x100u; };
  // Four-byte encodings and EBCDIC hide their markup from a byte scan: refuse them.
  if ((b(0) == 0 && b(1) == 0) || (b(2) == 0 && b(3) == 0 && b(0) != 0 && b(1) == 0) ||
      (b(0) == 0xFF && b(1) == 0xFE && b(2) == 0 && b(3) == 0) ||
      (b(0) == 0x4C && b(1) == 0x6F && b(2) == 0xA7 && b(3) == 0x94)) {
    return std::nullopt;
  }
  if (b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) return Start{ByteFamily::kAsciiCompatible, 3};
  if (b(0) == 0xFF && b(1) == 0xFE) return Start{ByteFamily::kUtf16Le, 2};
  if (b(0) == 0xFE && b(1) == 0xFF) return Start{ByteFamily::kUtf16Be, 2};
  if (b(0) == 0x3C && b(1) == 0 && b(2) == 0x3F && b(3) == 0) return Start{ByteFamily::kUtf16Le, 0};
  if (b(0) == 0 && b(1) == 0x3C && b(2) == 0 && b(3) == 0x3F) return Start{ByteFamily::kUtf16Be, 0};
  return Start{ByteFamily::kAsciiCompatible, 0};
}

// Reads the encoding pseudo-attribute of the declaration that ends before `end`.
void ReadDeclaredEncoding(const Units& u, size_t end, Prolog& prolog) {
  for (size_t i = 5; i + 8 < end; ++i) {
    if (!IsXmlSpace(u.at(i)) || !u.StartsWith(i + 1, "encoding")) continue;
    size_t k = i + 9;
    while (k < end && IsXmlSpace(u.at(k))) ++k;
    if (k >= end || u.at(k) != '=') continue;
    ++k;
    while (k < end && IsXmlSpace(u.at(k))) ++k;
    if (k >= end || (u.at(k) != '"' && u.at(k) != '\'')) continue;
    const char32_t quote = u.at(k++);
    std::string value;
    for (; k < end && u.at(k) != quote; ++k) {
      if (u.at(k) > 0x7E) return;  // not a name; the parser will refuse it
      value.push_back(static_cast<char>(u.at(k)));
    }
    if (k >= end) return;
    prolog.declaredEncoding = value;
    prolog.encodingBegin = u.ByteOffset(i);
    prolog.encodingEnd = u.ByteOffset(k + 1);
    return;
  }
}

bool EncodingFitsFamily(const Prolog& prolog) noexcept {
  if (prolog.declaredEncoding.empty()) return true;
  const auto known = Classify(prolog.declaredEncoding);
  if (!known) return false;
  if (prolog.family != ByteFamily::kAsciiCompatible) return *known == KnownEncoding::kUtf16;
  if (prolog.hasByteOrderMark) return *known == KnownEncoding::kUtf8;
  return *known != KnownEncoding::kUtf16;
}

}  // namespace

std::optional<KnownEncoding> Classify(std::string_view name) noexcept {
  struct Alias {
    std::string_view name;
    KnownEncoding encoding;
  };
  static constexpr std::array<Alias, 21> kAliases = {{
      {"utf-8", KnownEncoding::kUtf8},
      {"utf8", KnownEncoding::kUtf8},
      {"utf-16", KnownEncoding::kUtf16},
      {"utf-16le", KnownEncoding::kUtf16},
      {"utf-16be", KnownEncoding::kUtf16},
      {"shift_jis", KnownEncoding::kShiftJis},
      {"shift-jis", KnownEncoding::kShiftJis},
      {"sjis", KnownEncoding::kShiftJis},
      {"x-sjis", KnownEncoding::kShiftJis},
      {"ms_kanji", KnownEncoding::kShiftJis},
      {"csshiftjis", KnownEncoding::kShiftJis},
      {"windows-31j", KnownEncoding::kShiftJis},
      {"cp932", KnownEncoding::kShiftJis},
      {"euc-jp", KnownEncoding::kEucJp},
      {"x-euc-jp", KnownEncoding::kEucJp},
      {"eucjp", KnownEncoding::kEucJp},
      {"cseucpkdfmtjapanese", KnownEncoding::kEucJp},
      {"iso-8859-1", KnownEncoding::kLatin1},
      {"latin1", KnownEncoding::kLatin1},
      {"us-ascii", KnownEncoding::kAscii},
      {"ascii", KnownEncoding::kAscii},
  }};
  for (const Alias& alias : kAliases) {
    if (EqualsIgnoreAsciiCase(alias.name, name)) return alias.encoding;
  }
  return std::nullopt;
}

std::optional<Prolog> Scan(std::span<const std::byte> bytes) noexcept {
  const auto start = DetectFamily(bytes);
  if (!start) return std::nullopt;
  // UTF-16 cut in the middle of a code unit: parsers differ on whether the odd byte counts.
  if (start->family != ByteFamily::kAsciiCompatible && bytes.size() % 2 != 0) return std::nullopt;
  Prolog prolog;
  prolog.family = start->family;
  prolog.hasByteOrderMark = start->bomBytes != 0;
  const Units u(bytes, start->family, start->bomBytes);

  size_t i = 0;
  if (u.StartsWith(0, "<?xml") && u.size() > 5 && IsXmlSpace(u.at(5))) {
    i = u.After(5, "?>");
    ReadDeclaredEncoding(u, i, prolog);
  }
  if (!EncodingFitsFamily(prolog)) return std::nullopt;

  // Everything up to the document element: white space, comments, processing instructions.
  while (i < u.size()) {
    if (IsXmlSpace(u.at(i))) {
      ++i;
    } else if (u.StartsWith(i, "<!--")) {
      i = u.After(i + 4, "-->");
    } else if (u.StartsWith(i, "<?")) {
      i = u.After(i + 2, "?>");
    } else if (u.StartsWith(i, "<!")) {
      return std::nullopt;  // a document type declaration, or markup no catalogue needs
    } else {
      break;  // the document element, or garbage the parser refuses
    }
  }
  return prolog;
}

}  // namespace brimlet::xml_prolog

namespace brimlet::xml_text {

std::u16string Join(std::vector<Piece> pieces) {
  auto isSpace = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  for (Piece& piece : pieces) {
    if (piece.cdata) break;
    size_t n = 0;
    while (n < piece.text.size() && isSpace(piece.text[n])) ++n;
    piece.text.erase(0, n);
    if (!piece.text.empty()) break;
  }
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
    if (it->cdata) break;
    size_t n = it->text.size();
    while (n > 0 && isSpace(it->text[n - 1])) --n;
    it->text.resize(n);
    if (!it->text.empty()) break;
  }
  std::u16string text;
  for (const Piece& piece : pieces) text += piece.text;
  return text;
}

}  // namespace brimlet::xml_text
