// The start role's jobs: the catalogue update and the two usage pings, each started only
// when due, waited for together.
#pragma once

#include <cstdint>
#include <string>

#include "catalogue_update_win32.h"
#include "usage_pings.h"

namespace brimlet::win32 {

struct JobOptions {
  std::u16string downloadHost;
  std::u16string logHost;
  uint32_t delayMilliseconds = kJobDelayMilliseconds;
  uint32_t waitMilliseconds = 300'000;
  std::optional<std::array<std::byte, 65>> cataloguePublicKey;
  bool allowUnsignedCatalogues = false;  // a build for local tests only
};

// The build's endpoints, delays and signing policy. Defined apart so that a test build of
// the program can link its own.
JobOptions ProductJobOptions();

// Removes what earlier runs left in the temporary folder, then starts the update, the live
// ping and the monthly ping in this order, each when due, and waits for the started ones at
// most `waitMilliseconds`.
void RunBackgroundJobs(const JobOptions& options) noexcept;

}  // namespace brimlet::win32
