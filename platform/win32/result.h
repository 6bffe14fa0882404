// The COM and export boundary: a method that may meet an exception ends with
//   try { ... } BRIMLET_CATCH_RETURN()
// which traces it (see ports/trace.h) and answers E_OUTOFMEMORY for a failed allocation,
// E_UNEXPECTED for anything else, so no exception reaches a COM caller.
#pragma once

#include <windows.h>

#include "ports/trace.h"

namespace brimlet::win32 {

// Only inside a catch block.
inline HRESULT ResultFromCaughtException(const char* function, const char* file,
                                         int line) noexcept {
  return TraceCaughtException(function, file, line) == CaughtException::kOutOfMemory ? E_OUTOFMEMORY
                                                                                     : E_UNEXPECTED;
}

}  // namespace brimlet::win32

#define BRIMLET_CATCH_RETURN()                                                        \
  catch (...) {                                                                       \
    return ::brimlet::win32::ResultFromCaughtException(__func__, __FILE__, __LINE__); \
  }
