// The job that ends a host's programs with it: kill-on-close, so the system ends every
// process in it when the host's last handle goes, however the host ends; what those
// processes start themselves (the browser of a search) leaves it silently and lives on.
// Header-only, Win32 calls alone: the hook module uses it too, without a C++ runtime.
#pragma once

#include <windows.h>

namespace brimlet::win32 {

// Null when the system gives no job or refuses its limits.
inline HANDLE CreateHostJob() noexcept {
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (job == nullptr) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags =
      JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
  if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                 sizeof(limits))) {
    ::CloseHandle(job);
    return nullptr;
  }
  return job;
}

}  // namespace brimlet::win32
