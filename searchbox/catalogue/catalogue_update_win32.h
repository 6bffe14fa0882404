// The catalogue update on Windows: the starter, the worker thread, the cabinet extraction,
// the tree copy and the signature check.
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
  // When set, a cabinet is installed only with a valid detached signature.
  std::optional<std::array<std::byte, 65>> publicKey;
};

// Starts the worker when the update is due ("LastSearchServiceConfig"); empty otherwise.
UniqueHandle StartCatalogueUpdate(CatalogueUpdateOptions options) noexcept;

// The worker's work between COM set-up and tear-down; the thread routine calls it.
void RunCatalogueUpdate(const CatalogueUpdateOptions& options) noexcept;

// Unpacks a cabinet into `folder` (trailing backslash). Fails, having written nothing
// outside the folder, for an entry name that would leave it, a continuation cabinet or a
// damaged cabinet.
bool ExtractCabinet(const std::wstring& cabinet, const std::wstring& folder) noexcept;

// Copies the tree below `source` over `target`, or (remove) deletes it with `source`
// itself. Both end in a backslash. Stops at the first failure. The catalogue file goes
// last, so that a copy that stops never installs a catalogue without its icons.
bool CopyOrDeleteTree(const std::wstring& source, const std::wstring& target, bool remove) noexcept;

// ECDSA P-256 over SHA-256 with the platform's cryptography; `signature` as openssl
// writes it (DER).
bool VerifyCatalogueSignature(std::span<const std::byte> data, std::span<const std::byte> signature,
                              const std::array<std::byte, 65>& publicKey) noexcept;

}  // namespace brimlet::win32
