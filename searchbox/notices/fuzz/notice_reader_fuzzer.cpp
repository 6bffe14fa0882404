// Feeds arbitrary bytes to the notice file reader (libxml2 adapter), as a download would.
#include <cstddef>
#include <cstdint>

#include "native/libxml2_xml.h"
#include "notice_check.h"
#include "text/web_address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const brimlet::LibXml2Parser parser;
  const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(data), size);
  const auto document = parser.Load(bytes);
  if (!document) return 0;
  const std::u16string_view hosts[] = {u"http://dl.example", u"https://help.example"};
  const auto notice =
      brimlet::ReadApplicableNotice(*document, brimlet::ParseVersionNumber(u"1.6.0.28"), hosts);
  // Only a web address on one of the operator's hosts may ever reach the shell.
  if (notice && !brimlet::IsWebAddress(notice->address)) __builtin_trap();
  if (notice && !brimlet::IsLinkOnHost(notice->address, hosts[0]) &&
      !brimlet::IsLinkOnHost(notice->address, hosts[1])) {
    __builtin_trap();
  }
  return 0;
}
