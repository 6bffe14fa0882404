#include "catalogue_update.h"

#include <algorithm>
#include <array>

#include "catalogue_reader.h"
#include "ports/trace.h"
#include "text/utf16.h"

namespace brimlet {
namespace {

// A catalogue with its icons' names is a few kilobytes; an entry is bounded anyway.
constexpr size_t kMaxCatalogueBytes = kMaxCabinetEntryBytes;
// MAX_PATH, the terminating zero included.
constexpr size_t kMaxPathCharacters = 260;

bool IsOurFormat(std::u16string_view format) noexcept {
  return EqualsIgnoreAsciiCase(format, kCatalogueFormat);
}

bool IsPlainNameCharacter(char16_t c) noexcept {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c == u'-' || c == u'.';
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) noexcept {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool IsCatalogueUpdateDue(uint32_t lastAttempt, int64_t now) noexcept {
  const int64_t last = static_cast<int32_t>(lastAttempt);
  return !(last <= now && now <= last + kCatalogueUpdatePeriodSeconds);
}

std::u16string CatalogueCabinetAddress(std::u16string_view host, std::u16string_view partner,
                                       uint32_t cacheBuster, std::u16string_view suffix) {
  std::u16string address(host);
  address += u"/pub/bmb/";
  address += partner;
  address += u"/";
  address += kCatalogueCabinetName;
  address += suffix;
  address += u"?t=" + FormatDecimal(cacheBuster);
  return address;
}

bool IsDeviceName(std::u16string_view baseName) noexcept {
  static constexpr std::u16string_view kPlain[] = {u"CON", u"PRN", u"AUX", u"NUL"};
  for (std::u16string_view device : kPlain) {
    if (EqualsIgnoreAsciiCase(baseName, device)) return true;
  }
  if (baseName.size() != 4 || baseName[3] < u'1' || baseName[3] > u'9') return false;
  const std::u16string_view stem = baseName.substr(0, 3);
  return EqualsIgnoreAsciiCase(stem, u"COM") || EqualsIgnoreAsciiCase(stem, u"LPT");
}

bool IsAllowedCabinetEntryName(std::u16string_view name) noexcept {
  if (name == kCatalogueFileName) return true;
  constexpr std::u16string_view kImageFolder = u"image\\";
  if (!StartsWith(name, kImageFolder) || name.size() > kMaxCabinetEntryNameLength) return false;
  const std::u16string_view file = name.substr(kImageFolder.size());
  if (file.empty() || file.front() == u'.') return false;
  if (!std::all_of(file.begin(), file.end(), IsPlainNameCharacter)) return false;
  const size_t firstDot = file.find(u'.');
  const size_t lastDot = file.rfind(u'.');
  if (IsDeviceName(file.substr(0, firstDot))) return false;
  const std::u16string_view extension = file.substr(lastDot + 1);
  for (std::u16string_view allowed : {u"png", u"gif", u"ico", u"bmp"}) {
    if (EqualsIgnoreAsciiCase(extension, allowed)) return true;
  }
  return false;
}

EntryVerdict CabinetBudget::Admit(std::u16string_view name, uint64_t size) noexcept {
  if (++entries_ > kMaxCabinetEntries) return EntryVerdict::kTooManyEntries;
  if (!IsAllowedCabinetEntryName(name)) return EntryVerdict::kNameRefused;
  if (size > kMaxCabinetEntryBytes) return EntryVerdict::kEntryTooLarge;
  total_ += size;
  if (total_ > kMaxExtractedBytes) return EntryVerdict::kTotalTooLarge;
  return EntryVerdict::kAccepted;
}

std::u16string_view DescribeEntryVerdict(EntryVerdict verdict) noexcept {
  switch (verdict) {
    case EntryVerdict::kAccepted:
      return u"accepted";
    case EntryVerdict::kNameRefused:
      return u"an entry name that a catalogue cabinet may not hold";
    case EntryVerdict::kTooManyEntries:
      return u"more than 200 entries";
    case EntryVerdict::kEntryTooLarge:
      return u"an entry over 1 MB";
    case EntryVerdict::kTotalTooLarge:
      return u"more than 4 MB in all";
  }
  return u"";
}

std::optional<std::u16string> ExtractionFolderPath(std::u16string_view tempFolder,
                                                   uint32_t value) {
  std::u16string folder(tempFolder);
  folder += kExtractionFolderPrefix;
  folder += FormatDecimal(value);
  // The folder, a separator, the longest entry and the terminating zero.
  if (folder.size() + 1 + kMaxCabinetEntryNameLength + 1 > kMaxPathCharacters) return std::nullopt;
  return folder;
}

bool IsStaleLeftover(std::u16string_view name, bool isFolder, int64_t ageSeconds) noexcept {
  if (ageSeconds <= kStaleLeftoverSeconds) return false;
  const std::u16string_view prefix = isFolder ? kExtractionFolderPrefix : kDownloadFilePrefix;
  return name.size() > prefix.size() && EqualsIgnoreAsciiCase(name.substr(0, prefix.size()), prefix);
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
  }
  BRIMLET_CATCH_RETURN_VALUE(std::nullopt)
}

std::optional<CatalogueVersion> ReadCatalogueVersionFile(const IFileSystem& files,
                                                         const IXmlParser& parser,
                                                         std::u16string_view path) noexcept {
  try {
    const auto bytes = files.ReadFile(path, kMaxCatalogueBytes);
    if (!bytes) return std::nullopt;
    return ReadCatalogueVersion(parser, *bytes);
  }
  BRIMLET_CATCH_RETURN_VALUE(std::nullopt)
}

std::optional<VersionNumber> CatalogueInUseVersion(const IFileSystem& files,
                                                   const IXmlParser& parser,
                                                   std::u16string_view dataFolder,
                                                   std::u16string_view programFolder) noexcept {
  const auto inUse = FindCatalogueInUse(files, parser, dataFolder, programFolder);
  if (!inUse) return std::nullopt;
  const auto version = ReadCatalogueVersionFile(files, parser, inUse->path);
  if (!version) return std::nullopt;
  return version->version;
}

CandidateCheck CheckCandidateCatalogue(const IXmlParser& parser, std::span<const std::byte> bytes,
                                       std::optional<VersionNumber> signedVersion,
                                       VersionNumber floor) noexcept {
  const auto version = ReadCatalogueVersion(parser, bytes);
  if (!version) return {CandidateVerdict::kNotACatalogue};
  if (!IsOurFormat(version->format)) return {CandidateVerdict::kForeignFormat, version->version};
  const auto list = ReadCatalogue(parser, bytes, u"");
  if (!list) return {CandidateVerdict::kNotACatalogue, version->version};
  if (list->GetCount() == 0) return {CandidateVerdict::kNoEngine, version->version};
  if (list->GetDefault() == nullptr) return {CandidateVerdict::kNoDefaultEngine, version->version};
  if (signedVersion && *signedVersion != version->version) {
    return {CandidateVerdict::kVersionNotSigned, version->version};
  }
  if (version->version <= floor) return {CandidateVerdict::kNotNewer, version->version};
  return {CandidateVerdict::kAccepted, version->version};
}

std::u16string_view DescribeCandidate(CandidateVerdict verdict) noexcept {
  switch (verdict) {
    case CandidateVerdict::kAccepted:
      return u"accepted";
    case CandidateVerdict::kNotACatalogue:
      return u"the cabinet holds no readable catalogue";
    case CandidateVerdict::kForeignFormat:
      return u"the catalogue has another format identifier";
    case CandidateVerdict::kNoEngine:
      return u"the catalogue has no usable engine";
    case CandidateVerdict::kNoDefaultEngine:
      return u"the catalogue's default engine is missing";
    case CandidateVerdict::kVersionNotSigned:
      return u"the catalogue's version is not the signed one";
    case CandidateVerdict::kNotNewer:
      return u"the catalogue is not newer than the one in use or one installed before";
  }
  return u"";
}

std::u16string FormatVersionNumber(VersionNumber version) {
  std::u16string text;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) text += u'.';
    text += FormatDecimal(static_cast<int64_t>((version >> (48 - 16 * part)) & 0xFFFF));
  }
  return text;
}

}  // namespace brimlet
