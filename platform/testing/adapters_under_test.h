// The port adapters a test binary exercises: the native ones in the Linux build, the
// Win32 ones (the product's) in the Windows build under Wine. Tests written against
// these run unchanged on both, which keeps the two adapters alike.
#pragma once

#include <memory>
#include <string>

#include "ports/clock.h"
#include "ports/codepage.h"
#include "ports/files.h"
#include "ports/mutex.h"
#include "ports/registry.h"
#include "ports/xml.h"

namespace brimlet::testing {

const char* AdapterFamily();  // "native" or "win32"
std::unique_ptr<IRegistry> MakeRegistry();
std::unique_ptr<IClock> MakeClock();
std::unique_ptr<IMutexFactory> MakeMutexFactory();
std::unique_ptr<IFileSystem> MakeFileSystem();
std::unique_ptr<IXmlParser> MakeXmlParser();
// The ANSI code page is 932, as on the Japanese systems the product serves.
std::unique_ptr<ICodePageConverter> MakeCodePageConverter();
// A fresh, empty folder for this test process, with a trailing separator.
std::u16string ScratchFolder();

}  // namespace brimlet::testing
