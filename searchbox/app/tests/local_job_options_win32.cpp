// The job options of the test build of Brimlet.exe: the local endpoint whose port and
// signing key the endpoint fixture wrote, and short delays. Linked in place of the
// product's options.
#include <fstream>
#include <string>

#include "background_jobs_win32.h"
#include "catalogue_signature.h"
#include "text/utf16.h"
#include "win32/instance_finder.h"

namespace brimlet::win32 {

JobOptions ProductJobOptions() {
  std::wstring path = OwnModulePath();
  path.resize(path.find_last_of(L'\\') + 1);
  std::ifstream in((path + L"..\\endpoint\\state\\port").c_str());
  std::string port;
  std::getline(in, port);
  std::ifstream keyFile((path + L"..\\endpoint\\public_key").c_str());
  std::string key;
  std::getline(keyFile, key);
  JobOptions options;
  options.downloadHost = u"http://127.0.0.1:" + AsciiToUtf16(port);
  options.logHost = options.downloadHost;
  options.delayMilliseconds = 2'000;  // long enough for a second start to meet the first
  options.waitMilliseconds = 60'000;
  options.cataloguePublicKey = ParsePublicKeyHex(key);
  return options;
}

}  // namespace brimlet::win32
