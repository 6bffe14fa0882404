// Reads a gadget's manifest "gadget.xml" into a GadgetItem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "gadget_list.h"

namespace brimlet {

inline constexpr std::u16string_view kManifestName = u"gadget.xml";

// Manifests are a few hundred bytes; a larger file is refused before it is read.
inline constexpr size_t kMaxManifestBytes = 64 * 1024;

// A new gadget, or nothing when the manifest is missing, unreadable, malformed or breaks
// a rule of its required elements (a guid or module that is not a plain file name included).
// `gadgetsFolder` is where the gadget's module is looked for (in the folder named by its guid).
std::unique_ptr<GadgetItem> ReadGadgetManifest(const GadgetEnvironment& env,
                                               std::u16string_view gadgetsFolder,
                                               std::u16string_view manifestPath) noexcept;

// A manifest number: leading white space, an optional sign, then decimal digits up to the
// first other character; no digits gives 0, and values beyond the 32-bit range stay at its
// ends, as the C runtime's wcstol reads them.
int32_t ParseManifestNumber(std::u16string_view text) noexcept;

}  // namespace brimlet
