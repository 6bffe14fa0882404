#include "catalogue_update.h"

#include <limits>

#include "catalogue_reader.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

// A catalogue with its icons' names is a few kilobytes; this is far beyond any real one.
constexpr size_t kMaxCatalogueBytes = 16 << 20;

bool IsSeparator(char16_t c) noexcept { return c == u'\\' || c == u'/'; }

std::u16string Join(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (!path.empty() && !IsSeparator(path.back())) {
    path += path.find(u'/') != std::u16string::npos && path.find(u'\\') == std::u16string::npos
                ? u'/'
                : u'\\';
  }
  return path + std::u16string(name);
}

bool IsOurFormat(const CatalogueVersion& v) noexcept {
  return EqualsIgnoreAsciiCase(v.format, kCatalogueFormat);
}

}  // namespace

bool IsCatalogueUpdateDue(uint32_t lastAttempt, int64_t now) noexcept {
  const int64_t last = static_cast<int32_t>(lastAttempt);
  return !(last <= now && now <= last + kCatalogueUpdatePeriodSeconds);
}

std::u16string CatalogueCabinetAddress(std::u16string_view host, std::u16string_view partner,
                                       uint32_t tick, std::u16string_view suffix) {
  std::u16string address(host);
  address += u"/pub/bmb/";
  address += partner;
  address += u"/";
  address += kCatalogueCabinetName;
  address += suffix;
  address += u"?t=" + FormatDecimal(tick);
  return address;
}

bool IsSafeCabinetEntryName(std::u16string_view name) noexcept {
  if (name.empty() || IsSeparator(name.front())) return false;
  if (name.find(u':') != std::u16string_view::npos) return false;  // drives and streams
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = start;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    const std::u16string_view part = name.substr(start, end - start);
    // Windows drops trailing dots and spaces from a name, so ".. " or "a." would not stay
    // what they seem; "." and ".." end that way too.
    if (part.empty() || part.back() == u'.' || part.back() == u' ') return false;
    for (char16_t c : part) {
      if (c < 0x20) return false;
    }
    start = end + 1;
  }
  return true;
}

std::optional<CatalogueVersion> ReadCatalogueVersion(const IXmlParser& parser,
                                                     std::span<const std::byte> bytes) noexcept {
  try {
    const auto document = parser.Load(bytes);
    if (!document) return std::nullopt;
    const auto root = document->FirstChildElement(u"search_engines");
    if (!root) return std::nullopt;
    CatalogueVersion result;
    if (const auto version = root->FirstChildElement(u"version")) {
      result.version = ParseVersionNumber(version->Text());
    }
    if (const auto format = root->FirstChildElement(u"format")) result.format = format->Text();
    return result;
  } catch (...) {
    return std::nullopt;
  }
}

std::optional<CatalogueVersion> ReadCatalogueVersionFile(const IFileSystem& files,
                                                         const IXmlParser& parser,
                                                         std::u16string_view path) noexcept {
  try {
    const auto bytes = files.ReadFile(path, kMaxCatalogueBytes);
    if (!bytes) return std::nullopt;
    return ReadCatalogueVersion(parser, *bytes);
  } catch (...) {
    return std::nullopt;
  }
}

bool IsNewerCatalogue(const IFileSystem& files, const IXmlParser& parser,
                      std::u16string_view extractedFolder, std::u16string_view dataFolder,
                      std::u16string_view programFolder) noexcept {
  try {
    std::optional<CatalogueVersion> installed;
    if (!dataFolder.empty()) {
      installed = ReadCatalogueVersionFile(files, parser, Join(dataFolder, kCatalogueFileName));
      // A damaged or foreign data copy is not what the reader uses either.
      if (installed && !IsOurFormat(*installed)) installed.reset();
    }
    if (!installed && !programFolder.empty()) {
      installed = ReadCatalogueVersionFile(files, parser, Join(programFolder, kCatalogueFileName));
    }
    if (!installed) return false;
    const auto extracted =
        ReadCatalogueVersionFile(files, parser, Join(extractedFolder, kCatalogueFileName));
    if (!extracted) return false;
    return extracted->version > installed->version && IsOurFormat(*extracted);
  } catch (...) {
    return false;
  }
}

}  // namespace brimlet
