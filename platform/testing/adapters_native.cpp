#include <unistd.h>

#include <filesystem>

#include "testing/local_mutex.h"
#include "native/iconv_codepage.h"
#include "native/libxml2_xml.h"
#include "native/memory_registry.h"
#include "native/posix_files.h"
#include "native/system_clock.h"
#include "testing/adapters_under_test.h"
#include "text/utf16.h"

namespace brimlet::testing {

const char* AdapterFamily() { return "native"; }
std::unique_ptr<IRegistry> MakeRegistry() { return std::make_unique<MemoryRegistry>(); }
std::unique_ptr<IClock> MakeClock() { return std::make_unique<NativeClock>(); }
std::unique_ptr<IMutexFactory> MakeMutexFactory() { return std::make_unique<LocalMutexFactory>(); }
std::unique_ptr<IFileSystem> MakeFileSystem() { return std::make_unique<PosixFileSystem>(); }
std::unique_ptr<IXmlParser> MakeXmlParser() { return std::make_unique<LibXml2Parser>(); }
std::unique_ptr<ICodePageConverter> MakeCodePageConverter() {
  return std::make_unique<IconvCodePageConverter>();
}

std::u16string ScratchFolder() {
  const auto dir =
      std::filesystem::temp_directory_path() / ("brimlet-test-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return Utf8ToUtf16(dir.string() + "/");
}

}  // namespace brimlet::testing
