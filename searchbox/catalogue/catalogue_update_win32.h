// The catalogue update on Windows: the starter, the worker thread, the cabinet extraction,
// the atomic installation and the clean-up of what earlier runs left behind.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "catalogue_update.h"
#include "win32/unique_resource.h"

namespace brimlet::win32 {

struct CatalogueUpdateOptions {
  std::u16string host;  // scheme and host of the download endpoint
  uint32_t delayMilliseconds = 0;
  std::u16string dataFolder;     // where the update installs, trailing backslash
  std::u16string programFolder;  // the shipped copy's folder, trailing backslash
  // The key the cabinet's signature must verify with; none: nothing verifies.
  std::optional<std::array<std::byte, 65>> publicKey;
  // A build for local tests only: a cabinet without a signature is accepted too.
  bool allowUnsigned = false;
};

// Starts the worker when the update is due ("LastSearchServiceConfig"); empty otherwise.
UniqueHandle StartCatalogueUpdate(CatalogueUpdateOptions options) noexcept;

// The worker's work between COM set-up and tear-down; the thread routine calls it. Every
// refusal leaves a trace line that says why, and nothing of the attempt behind.
void RunCatalogueUpdate(const CatalogueUpdateOptions& options) noexcept;

// Unpacks a cabinet into `folder` (trailing backslash), entry by entry through
// CabinetBudget. Fails, having written nothing outside the folder, at the first entry the
// budget refuses, for a continuation cabinet or a damaged cabinet; `why` then says which.
bool ExtractCabinet(const std::wstring& cabinet, const std::wstring& folder,
                    std::u16string* why = nullptr) noexcept;

// Installs an unpacked catalogue into `dataFolder` (trailing backslash): the icons first,
// then `catalogue` (the bytes that were checked) written beside the live file, flushed and
// moved over it in one step, so that the live file is always either the old or the new one.
bool InstallCatalogue(const std::wstring& extractedFolder, const std::wstring& dataFolder,
                      std::span<const std::byte> catalogue) noexcept;

// Deletes the folder (trailing backslash) with everything below it.
bool DeleteTree(const std::wstring& folder) noexcept;

// Removes the download files and extraction folders older than a day that runs which never
// ended left in the user's temporary folder. Returns how many it removed.
int RemoveStaleLeftovers() noexcept;

}  // namespace brimlet::win32
