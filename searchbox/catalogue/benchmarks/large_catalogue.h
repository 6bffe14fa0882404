// A generated catalogue of 500 engines for the speed measurements of both builds.
#pragma once

#include <cstdio>
#include <string>

namespace brimlet {

inline constexpr int kLargeCatalogueEngines = 500;

inline std::string LargeCatalogue() {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<search_engines>\n"
      "  <format>{4F2A7C10-8B3D-4E61-9A55-C0D1E2F30021}</format>\n  <version>1.0.0.1</version>\n"
      "  <default_search_engine>{00000000-0000-4000-8000-000000000250}</default_search_engine>\n";
  for (int i = 0; i < kLargeCatalogueEngines; ++i) {
    char guid[64];
    std::snprintf(guid, sizeof guid, "{00000000-0000-4000-8000-%012d}", i);
    xml += std::string("  <search_engine>\n    <guid>") + guid +
           "</guid>\n    <name>検索サービス " + std::to_string(i) +
           "</name>\n    <host>https://search" + std::to_string(i) +
           ".example.jp</host>\n    <path>/search?</path>\n    <image>e" + std::to_string(i) +
           ".png</image>\n    <suggestionsurl>https://search" + std::to_string(i) +
           ".example.jp/suggest?q={searchTerms}</suggestionsurl>\n    <parameters>\n"
           "      <parameter><type>1</type><key>ie</key><value>UTF-8</value></parameter>\n"
           "      <parameter><type>3</type><key>q</key><encode>utf-8</encode></parameter>\n"
           "      <parameter><type>2</type><key>fr</key></parameter>\n"
           "      <parameter><type>4</type><key>u</key><encode>euc-jp</encode>"
           "<leading_value>L</leading_value><value_key>k</value_key>"
           "<trailing_value>T</trailing_value></parameter>\n"
           "    </parameters>\n  </search_engine>\n";
  }
  return xml + "</search_engines>\n";
}

}  // namespace brimlet
