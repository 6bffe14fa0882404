// The catalogue update's decisions: when it is due, the cabinet's address, which cabinet
// entries may be unpacked, and whether an unpacked catalogue replaces the one in use.
// Portable; the download, the unpacking and the copy are the platform's.
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

// Due when more than a day passed since the stored attempt, or the stored time lies in the
// future (the clock was set back).
bool IsCatalogueUpdateDue(uint32_t lastAttempt, int64_t now) noexcept;

// host + "/pub/bmb/<partner>/def_srch_engn.cab?t=<tick>"; the tick keeps caches from
// answering. `suffix` names a file published beside the cabinet (".sig").
std::u16string CatalogueCabinetAddress(std::u16string_view host, std::u16string_view partner,
                                       uint32_t tick, std::u16string_view suffix = {});

// A name inside a cabinet that may become a path below the extraction folder: relative,
// no drive, no colon, no leading separator, no empty component, none ending in a dot or a
// space (".", ".." and what Windows would turn into them).
bool IsSafeCabinetEntryName(std::u16string_view name) noexcept;

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

// Whether the catalogue in `extractedFolder` replaces the one in use: a higher version and
// our format identifier. The one in use is chosen as the reader chooses it: the data
// folder's copy unless it is missing or rejected, then the program folder's.
bool IsNewerCatalogue(const IFileSystem& files, const IXmlParser& parser,
                      std::u16string_view extractedFolder, std::u16string_view dataFolder,
                      std::u16string_view programFolder) noexcept;

}  // namespace brimlet
