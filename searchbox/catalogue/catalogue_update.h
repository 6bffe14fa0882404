// The catalogue update's decisions: when it is due, the cabinet's address, what a cabinet
// may hold and how much, where it is unpacked, whether an unpacked catalogue replaces the
// one in use, and what an earlier run left behind. Portable; the download, the unpacking
// and the installation are the platform's.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ports/files.h"
#include "ports/xml.h"
#include "settings.h"

namespace brimlet {

inline constexpr std::u16string_view kCatalogueUpdateMutex =
    u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30008}";
inline constexpr std::u16string_view kCatalogueCabinetName = u"def_srch_engn.cab";
// At most one attempt a day.
inline constexpr int64_t kCatalogueUpdatePeriodSeconds = 86'400;

// Bounds on what one update may download and unpack: a real cabinet is some tens of
// kilobytes, so these only stop a cabinet meant to fill the disk.
inline constexpr size_t kMaxCabinetBytes = 1 << 20;
inline constexpr size_t kMaxCabinetEntries = 200;
inline constexpr size_t kMaxCabinetEntryBytes = 1 << 20;
inline constexpr size_t kMaxExtractedBytes = 4 << 20;
// Longest entry name accepted, so that the extraction folder's length can be checked once.
inline constexpr size_t kMaxCabinetEntryNameLength = 64;
// Files and folders of the update older than this in the temporary folder were left by a
// run that never ended.
inline constexpr int64_t kStaleLeftoverSeconds = 86'400;
inline constexpr std::u16string_view kDownloadFilePrefix = u"TFR";
inline constexpr std::u16string_view kExtractionFolderPrefix = u"_926_";

// Due when more than a day passed since the stored attempt, or the stored time lies in the
// future (the clock was set back).
bool IsCatalogueUpdateDue(uint32_t lastAttempt, int64_t now) noexcept;

// host + "/pub/bmb/<partner>/def_srch_engn.cab?t=<value>"; the value, fresh for every
// request, keeps caches from answering. `suffix` names a file published beside the cabinet
// (".sig").
std::u16string CatalogueCabinetAddress(std::u16string_view host, std::u16string_view partner,
                                       uint32_t cacheBuster, std::u16string_view suffix = {});

// CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9, in any case: Windows opens the device for
// such a name whatever its extension.
bool IsDeviceName(std::u16string_view baseName) noexcept;

// What a catalogue cabinet may hold: "def_srch_engn.xml", and "image\<name>.png|.gif|.ico|
// .bmp" where the name is letters, digits, "_", "-" and inner dots and is no device name.
// Anything else (other folders, other files, separators, drives, streams) is refused.
bool IsAllowedCabinetEntryName(std::u16string_view name) noexcept;

enum class EntryVerdict { kAccepted, kNameRefused, kTooManyEntries, kEntryTooLarge, kTotalTooLarge };

// Counts the entries of one cabinet as they are offered and refuses the first that breaks
// a rule or a bound; once it refused, the extraction must stop.
class CabinetBudget {
 public:
  EntryVerdict Admit(std::u16string_view name, uint64_t size) noexcept;

 private:
  size_t entries_ = 0;
  uint64_t total_ = 0;
};

std::u16string_view DescribeEntryVerdict(EntryVerdict verdict) noexcept;

// tempFolder (ending in a separator) + "_926_<value>", or nothing when that folder plus a
// separator and the longest entry name would not fit a 260-character path.
std::optional<std::u16string> ExtractionFolderPath(std::u16string_view tempFolder, uint32_t value);

// A "TFR*" download file or a "_926_*" extraction folder older than a day.
bool IsStaleLeftover(std::u16string_view name, bool isFolder, int64_t ageSeconds) noexcept;

struct CatalogueVersion {
  VersionNumber version = 0;
  std::u16string format;
};

// The "version" and "format" of a catalogue document; nothing when it does not parse or
// has no "search_engines" root.
std::optional<CatalogueVersion> ReadCatalogueVersion(const IXmlParser& parser,
                                                     std::span<const std::byte> bytes) noexcept;
std::optional<CatalogueVersion> ReadCatalogueVersionFile(const IFileSystem& files,
                                                         const IXmlParser& parser,
                                                         std::u16string_view path) noexcept;

// The version of the catalogue the reader uses (see FindCatalogueInUse); nothing when none
// reads.
std::optional<VersionNumber> CatalogueInUseVersion(const IFileSystem& files,
                                                   const IXmlParser& parser,
                                                   std::u16string_view dataFolder,
                                                   std::u16string_view programFolder) noexcept;

enum class CandidateVerdict {
  kAccepted,
  kNotACatalogue,     // not XML, or no "search_engines"
  kForeignFormat,     // another format identifier
  kNoEngine,          // no engine reads
  kNoDefaultEngine,   // "default_search_engine" names no engine that reads
  kVersionNotSigned,  // the signed version is not the catalogue's
  kNotNewer,          // not above the one in use and every one installed before
};

struct CandidateCheck {
  CandidateVerdict verdict = CandidateVerdict::kNotACatalogue;
  VersionNumber version = 0;
};

// Whether an unpacked catalogue may replace the one in use: it reads as our format with at
// least one engine and its default engine, carries the version that was signed (when one
// was), and is newer than `floor` (the higher of the version in use and the highest ever
// installed).
CandidateCheck CheckCandidateCatalogue(const IXmlParser& parser, std::span<const std::byte> bytes,
                                       std::optional<VersionNumber> signedVersion,
                                       VersionNumber floor) noexcept;

std::u16string_view DescribeCandidate(CandidateVerdict verdict) noexcept;

// "a.b.c.d" for a version number.
std::u16string FormatVersionNumber(VersionNumber version);

}  // namespace brimlet
