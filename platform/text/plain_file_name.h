// IsPlainFileName: the one check for names from untrusted text (catalogue, manifest,
// cabinet, registry) that are about to be joined to a folder. A separator, a drive, a colon
// (also an alternate data stream) or ".." would let the name reach outside that folder.
// Header-only so every library can use it without a link dependency.
#pragma once

#include <string_view>

namespace brimlet {

constexpr bool IsPlainFileName(std::u16string_view name) noexcept {
  if (name.empty() || name == u".") return false;
  if (name.find_first_of(u"\\/:") != std::u16string_view::npos) return false;
  return name.find(u"..") == std::u16string_view::npos;
}

}  // namespace brimlet
