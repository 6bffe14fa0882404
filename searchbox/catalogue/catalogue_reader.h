// Reads the search engine catalogue "def_srch_engn.xml" into a SearchEngineList.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ports/files.h"
#include "ports/xml.h"
#include "search_engine_list.h"

namespace brimlet {

inline constexpr std::u16string_view kCatalogueFileName = u"def_srch_engn.xml";
inline constexpr std::u16string_view kCatalogueFormat = u"{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30021}";

// The catalogue in a document's bytes; every engine gets `catalogueFolder` (which should
// end in a path separator). Nothing when the document, its root or its format is not a
// catalogue's; engines and parameters that are malformed are dropped alone.
std::unique_ptr<SearchEngineList> ReadCatalogue(const IXmlParser& parser,
                                                std::span<const std::byte> bytes,
                                                std::u16string_view catalogueFolder) noexcept;

// The catalogue in one file; nothing when it is missing, unreadable or too large.
std::unique_ptr<SearchEngineList> ReadCatalogueFile(const IFileSystem& files,
                                                    const IXmlParser& parser,
                                                    std::u16string_view path) noexcept;

struct CatalogueInUse {
  std::u16string path;
  std::unique_ptr<SearchEngineList> list;
};

// The data folder's copy when it reads with at least one engine, otherwise the copy in the
// program's folder (even one without engines): a damaged or empty download must not leave
// the user without engines. Nothing when neither reads. An empty folder stands for one
// that could not be found.
std::optional<CatalogueInUse> FindCatalogueInUse(const IFileSystem& files, const IXmlParser& parser,
                                                 std::u16string_view dataFolder,
                                                 std::u16string_view programFolder) noexcept;

// The engines of FindCatalogueInUse.
std::unique_ptr<SearchEngineList> LoadCatalogue(const IFileSystem& files, const IXmlParser& parser,
                                                std::u16string_view dataFolder,
                                                std::u16string_view programFolder) noexcept;

}  // namespace brimlet
