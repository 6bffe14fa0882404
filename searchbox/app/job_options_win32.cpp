#include "background_jobs_win32.h"
#include "catalogue_signature.h"
#include "endpoints.h"
#include "text/utf16.h"

namespace brimlet::win32 {

JobOptions ProductJobOptions() {
  JobOptions options;
  options.downloadHost = AsciiToUtf16(kDownloadHost);
  options.logHost = AsciiToUtf16(kLogHost);
  options.cataloguePublicKey = ParsePublicKeyHex(kCataloguePublicKey);
  options.allowUnsignedCatalogues = kUnsignedUpdatesAllowed;
  return options;
}

}  // namespace brimlet::win32
