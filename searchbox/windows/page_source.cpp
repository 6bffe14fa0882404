#include "page_source.h"

#include "text/utf16.h"

namespace brimlet {

std::u16string SkinFolder(std::u16string_view programFolder, bool large) {
  std::u16string folder(programFolder);
  if (!folder.empty() && folder.back() != u'\\') folder.push_back(u'\\');
  folder += u"skin\\black\\";
  if (large) folder += u"large\\";
  return folder;
}

std::u16string FillPage(std::u16string_view page, std::u16string_view skinFolder) {
  const std::u16string base = u"file:///" + std::u16string(skinFolder);
  std::u16string filled;
  filled.reserve(page.size());
  size_t from = 0;
  for (size_t at = page.find(kBaseLocationToken); at != std::u16string_view::npos;
       at = page.find(kBaseLocationToken, from)) {
    filled.append(page.substr(from, at - from));
    filled += base;
    from = at + kBaseLocationToken.size();
  }
  filled.append(page.substr(from));
  return filled;
}

std::u16string PageDisplayName(std::u16string_view skinFolder, uint32_t tick) {
  return std::u16string(skinFolder) + u"main.html?t=" + FormatDecimal(tick);
}

}  // namespace brimlet
