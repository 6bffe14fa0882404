#include <windows.h>

#include <string>

#include "testing/adapters_under_test.h"
#include "win32/wide.h"
#include "win32/win32_codepage.h"
#include "win32/win32_registry.h"
#include "win32/win32_system.h"
#include "win32/win32_xml.h"

namespace brimlet::testing {

const char* AdapterFamily() { return "win32"; }
std::unique_ptr<IRegistry> MakeRegistry() { return std::make_unique<win32::Win32Registry>(); }
std::unique_ptr<IClock> MakeClock() { return std::make_unique<win32::Win32Clock>(); }
std::unique_ptr<IMutexFactory> MakeMutexFactory() {
  return std::make_unique<win32::Win32MutexFactory>();
}
std::unique_ptr<IFileSystem> MakeFileSystem() { return std::make_unique<win32::Win32FileSystem>(); }
std::unique_ptr<IXmlParser> MakeXmlParser() { return std::make_unique<win32::Win32XmlParser>(); }
std::unique_ptr<ICodePageConverter> MakeCodePageConverter() {
  return std::make_unique<win32::Win32CodePageConverter>();
}

std::u16string ScratchFolder() {
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring dir =
      std::wstring(temp) + L"brimlet-test-" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(dir.c_str(), nullptr);
  return win32::FromWide(dir + L"\\");
}

}  // namespace brimlet::testing
