// The tests' side of suggest_server.py: its port and its log.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <string>

#include "search_engine_list.h"
#include "testing/win32_test_support.h"
#include "text/utf16.h"
#include "win32/wide.h"

namespace brimlet::testing {

inline std::string SuggestServerPort() {
  std::string port = ReadTextFile(BuildRoot() + L"tests\\suggest_server\\port");
  while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
  return port;
}

// A GET to the server through the test's own WinINet call (/log, /reset).
inline std::string SuggestServerText(const std::string& path) {
  std::string text;
  HINTERNET session = ::InternetOpenW(L"test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  const std::wstring url = L"http://127.0.0.1:" + win32::ToWide(Utf8ToUtf16(SuggestServerPort())) +
                           win32::ToWide(Utf8ToUtf16(path));
  HINTERNET request = ::InternetOpenUrlW(session, url.c_str(), nullptr, 0,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  char buffer[4096];
  DWORD read = 0;
  while (request && ::InternetReadFile(request, buffer, sizeof(buffer), &read) && read > 0) {
    text.append(buffer, read);
  }
  if (request) ::InternetCloseHandle(request);
  ::InternetCloseHandle(session);
  return text;
}

// A catalogue of one engine whose suggestion address is the server's case.
inline std::unique_ptr<SearchEngineList> SuggestingCatalogue(const std::string& serverCase) {
  auto list = std::make_unique<SearchEngineList>();
  SearchEngineFields fields;
  fields.guid = u"{7B1E0001-0000-4000-8000-000000000001}";
  fields.name = u"ウェブ検索";
  fields.host = u"http://search.example.jp";
  fields.path = u"/search?q=";
  fields.suggestionsUrl = Utf8ToUtf16("http://127.0.0.1:" + SuggestServerPort() + "/" + serverCase +
                                      "/complete?q={searchTerms}");
  list->Add(std::make_unique<SearchEngineItem>(std::move(fields),
                                               std::make_unique<SearchEngineParameterList>()));
  list->SetDefault(list->GetAt(0));
  return list;
}

}  // namespace brimlet::testing
