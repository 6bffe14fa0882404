#include "background_jobs_win32.h"

#include <vector>

#include "settings_win32.h"
#include "usage_pings_win32.h"
#include "win32/trace.h"

namespace brimlet::win32 {

void RunBackgroundJobs(const JobOptions& options) noexcept {
  try {
    RemoveStaleLeftovers();
    std::vector<UniqueHandle> started;
    started.push_back(StartCatalogueUpdate({options.downloadHost, options.delayMilliseconds,
                                            DataFolder(), ProgramFolder(),
                                            options.cataloguePublicKey,
                                            options.allowUnsignedCatalogues}));
    started.push_back(StartPing(PingKind::kLive, options.logHost, options.delayMilliseconds));
    started.push_back(StartPing(PingKind::kMonthly, options.logHost, options.delayMilliseconds));
    std::vector<HANDLE> threads;
    for (const UniqueHandle& thread : started) {
      if (thread) threads.push_back(thread.get());
    }
    if (threads.empty()) return;
    // Threads still running afterwards end with the process.
    ::WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE,
                             options.waitMilliseconds);
  }
  BRIMLET_CATCH_LOG()
}

}  // namespace brimlet::win32
