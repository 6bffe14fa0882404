// The trace facility for Win32 code (see ports/trace.h): the same function, under the
// framework's namespace.
#pragma once

#include "ports/trace.h"

namespace brimlet::win32 {

using ::brimlet::Trace;

}  // namespace brimlet::win32
